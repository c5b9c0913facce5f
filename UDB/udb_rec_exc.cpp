#include "UDB/udb_rec_exc.h"

udb_record_exception::udb_record_exception(std::string_view message, int code, udb_lost_record::cause why)
    : tk_exception(message, code, 0), records_{{0, code, std::string(message), why}} {}

udb_record_exception::udb_record_exception(std::vector<udb_lost_record> records)
    : tk_exception(primary(records).message, primary(records).code, 0), records_(std::move(records)) {}

const udb_lost_record& udb_record_exception::primary(const std::vector<udb_lost_record>& records) {
    for (const udb_lost_record& r : records)
        if (r.why != udb_lost_record::cause::duplicate_key) return r;
    static const udb_lost_record none{0, 0, std::string()};
    return records.empty() ? none : records.front();
}
