#include "SQL/sql_rowsz.h"

#include <algorithm>

#include "SQL/sql_engi.h"
#include "SQL/sql_ver.h"

namespace sql {

namespace {

// Per row: the record header, the transaction id and the roll pointer.
constexpr int innodb_row_overhead = 5 + 6 + 7;
constexpr int innodb_row_id = 6;
// A column kept outside the row leaves its pointer, and a length byte.
constexpr int outside_pointer = 20 + 1;
// COMPACT rows keep the first 768 bytes of a long column beside its pointer.
constexpr int compact_prefix = 768;

int null_bytes(const std::vector<row_column>& row) {
    const auto n = std::count_if(row.begin(), row.end(), [](const row_column& c) { return c.nullable; });
    return static_cast<int>((n + 7) / 8);
}

int server_part(const row_column& c) {
    switch (c.shape) {
        case row_column::kind::varying:
            return c.bytes + (c.bytes > 255 ? 2 : 1);
        case row_column::kind::outside:
            return c.length_bytes + 8;
        default:
            return c.bytes;
    }
}

// InnoDB takes rows up to half a page, 16 KB pages and larger ones at most 16,383 bytes.
int innodb_limit(size_t page_size) { return std::min(static_cast<int>(page_size / 2) - 66, 16383); }

}  // namespace

row_limits::row_limits(sql_target target) {
    const sql_engine& engine = sql_engine::instance();
    const uint32_t v = engine.version();
    bool innodb = false;
    if (target == sql_target::dump) {
        // a dump is created for the servers of today: 16 KB pages, DYNAMIC rows
        innodb = engine.use_innodb() == 1;
        engine_limit_ = innodb_limit(16384);
    } else {
        innodb = engine.use_innodb() == 1 && v > ver_3_23_34;
        engine_limit_ = innodb_limit(engine.innodb_page_size());
        dynamic_ = (v >= ver_5_7_7 && v < 0x0A0000) || v >= 0x0A0202;
    }
    if (!innodb) engine_limit_ = 0;
}

int row_limits::server_bytes(const std::vector<row_column>& row) {
    int n = null_bytes(row);
    for (const row_column& c : row) n += server_part(c);
    return n;
}

int row_limits::in_row(const row_column& c) const {
    switch (c.shape) {
        case row_column::kind::varying:
            if (c.bytes <= 255) return c.bytes + 1;
            if (dynamic_) return outside_pointer;
            return std::min(c.bytes, compact_prefix) + outside_pointer + 1;
        case row_column::kind::outside:
            return dynamic_ ? outside_pointer : compact_prefix + outside_pointer + 1;
        default:
            return c.bytes;
    }
}

int row_limits::engine_bytes(const std::vector<row_column>& row, bool has_primary) const {
    int n = innodb_row_overhead + null_bytes(row) + (has_primary ? 0 : innodb_row_id);
    for (const row_column& c : row) n += in_row(c);
    return n;
}

int row_limits::server_saving_as_text(const row_column& c) { return server_part(c) - (2 + 8); }

int row_limits::engine_saving_as_text(const row_column& c) const {
    return in_row(c) - in_row(row_column{row_column::kind::outside, 0, 2, c.nullable});
}

}  // namespace sql
