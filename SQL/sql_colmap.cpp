#include "SQL/sql_colmap.h"

#include "SQL/sql_engi.h"
#include "SQL/sql_field_finder.h"
#include "SQL/sql_util.h"
#include "TK/tk_trace.h"

#include <cstring>

using compat::wstring;

namespace {

constexpr size_t none = static_cast<size_t>(-1);

int exact_column(const udb_schema& schema, const wstring& name) {
    for (size_t c = 0; c < schema.size(); ++c)
        if (schema[c]->name == name) return static_cast<int>(c);
    return -1;
}

}  // namespace

sql_column_map::sql_column_map(const udb_record& record, const udb_schema& schema, const t_names_map* fields)
    : schema_columns_(schema.size()) {
    const size_t r = record.size();
    const size_t c = schema.size();
    for (const auto& f : record) record_names_.push_back(f->name);

    std::vector<size_t> column_of(r, none);
    std::vector<bool> taken(c, false);
    auto claim = [&](size_t j, int col) {
        if (col < 0 || taken[static_cast<size_t>(col)] || column_of[j] != none) return;
        column_of[j] = static_cast<size_t>(col);
        taken[static_cast<size_t>(col)] = true;
    };
    // exact names: the creation's map first, then the safe name
    if (fields)
        for (size_t j = 0; j < r; ++j) claim(j, exact_column(schema, fields->get_mapped_name(record_names_[j], true)));
    const sql_field_finder finder(record);
    for (size_t j = 0; j < r; ++j) {
        if (column_of[j] != none) continue;
        const wstring& safe = finder.names()[j];
        tk_log::log(1, u"Name=%s, mapped name=%s", record_names_[j], safe);
        claim(j, exact_column(schema, safe));
    }
    // a name equal without case only where it cannot take another field's column
    for (size_t j = 0; j < r; ++j) {
        if (column_of[j] != none) continue;
        int only = -1;
        int matches = 0;
        for (size_t k = 0; k < c; ++k)
            if (!taken[k] && compat::equal_nocase(schema[k]->name, finder.names()[j]))
                only = static_cast<int>(k), ++matches;
        if (matches == 1) claim(j, only);
    }

    for (size_t j = 0; j < r; ++j)
        if (column_of[j] == none) {
            complete_ = false;
            missing_ = record_names_[j];
            return;
        }
    std::vector<size_t> field_of(c, none);
    for (size_t j = 0; j < r; ++j) field_of[column_of[j]] = j;
    for (size_t k = 0; k < c; ++k)
        if (field_of[k] != none) pairs_.emplace_back(field_of[k], k);
}

std::string sql_column_map::insert_head(const wstring& table, const udb_schema& schema) const {
    TK_CHECK(complete_ && schema.size() == schema_columns_);
    std::string head = "INSERT INTO " + compat::utf16_to_utf8(sql_engine::quote_name(table)) + "(";
    bool first = true;
    for (const auto& [field, column] : pairs_) {
        if (!first) head += ", ";
        first = false;
        head += compat::utf16_to_utf8(sql_engine::quote_name(schema[column]->name));
    }
    return head + ") VALUES";
}

void sql_column_map::append_row(std::string& out, const udb_record& record, const udb_schema& schema,
                                const sql::value_writer& values) const {
    // The pairs index the record and the schema the map was made for (fits tells the
    // record): checked once per row, not per value.
    TK_CHECK(complete_ && record.size() == record_names_.size() && schema.size() == schema_columns_);
    out += '(';
    bool first = true;
    for (const auto& [field, column] : pairs_) {
        if (!first) out += ", ";
        first = false;
        append_fld_str(out, *record[field], *schema[column], values);
    }
    out += ')';
}

bool sql_column_map::fits(const udb_record& record) const {
    if (record.size() != record_names_.size()) return false;
    // Tested for every row: lengths first, then the units at once, where the string
    // compare would walk them one by one.
    for (size_t j = 0; j < record.size(); ++j) {
        const compat::wstring& name = record[j]->name;
        const compat::wstring& known = record_names_[j];
        if (name.size() != known.size() || std::memcmp(name.data(), known.data(), name.size() * sizeof(char16_t)) != 0)
            return false;
    }
    return true;
}
