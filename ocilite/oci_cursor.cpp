#include "ocilite/oci_cursor.h"

namespace ocilite {

source_kind kind_of_type(int code) {
    switch (code) {
        case 2:
            return source_kind::number;
        case 8:
            return source_kind::long_text;
        case 12:
            return source_kind::date;
        case 23:
            return source_kind::raw;
        case 24:
            return source_kind::long_raw;
        case 100:
        case 101:
            return source_kind::binary_num;
        case 112:
            return source_kind::clob;
        case 113:
            return source_kind::blob;
        case 114:
            return source_kind::bfile;
        case 180:  // internal codes, and the SQLT codes describe reports for them
        case 181:
        case 231:
        case 187:
        case 188:
        case 232:
            return source_kind::timestamp;
        case 182:
        case 183:
        case 189:
        case 190:
            return source_kind::interval;
        default:
            return source_kind::text;
    }
}

cursor::~cursor() { close(); }

bool cursor::prepare(sqlite3* db, const std::string& sql, std::string& error) {
    close();
    if (sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) !=
        SQLITE_OK) {
        error = sqlite3_errmsg(db);
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        return false;
    }
    return true;
}

void cursor::close() {
    if (stmt_) sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    credit_ = 0;
    end_known_ = false;
}

void cursor::restart(uint64_t delivered) {
    if (stmt_) sqlite3_reset(stmt_);
    credit_ = delivered;
    end_known_ = false;
}

int cursor::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        if (credit_ > 0) --credit_;
    } else {
        // The delivery that should have held this row came back short, so the client
        // knows the end without asking again.
        end_known_ = true;
        credit_ = 0;
    }
    return rc;
}

}  // namespace ocilite
