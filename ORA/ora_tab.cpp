#include "ORA/ora_tab.h"

#include <map>

#include "ORA/ora_db.h"
#include "ORA/ora_dproc.h"
#include "ORA/ora_engi.h"
#include "TK/tk_trace.h"
#include "values/ole_numtext.h"

namespace {

compat::wstring table_select(const compat::wstring& name) { return u"SELECT * FROM \"" + name + u"\""; }

bool is_space(compat::wchar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

compat::wstring trim_all(const compat::wstring& text) {
    size_t b = 0, e = text.size();
    while (b < e && is_space(text[b])) ++b;
    while (e > b && is_space(text[e - 1])) --e;
    return text.substr(b, e - b);
}

bool is_digit(compat::wchar c) { return c >= u'0' && c <= u'9'; }

bool is_hex_literal(const compat::wstring& t) {
    if (t.empty() || t.size() % 2) return false;
    for (compat::wchar c : t)
        if (!is_digit(c) && !(c >= u'a' && c <= u'f') && !(c >= u'A' && c <= u'F')) return false;
    return true;
}

compat::wstring field_text(const udb_record& record, size_t i) {
    const udb_field* f = record.at(i).get();
    return f->get_type() == VT_EMPTY ? compat::wstring() : f->to_wstring();
}

}  // namespace

// ---- ROWID receiver --------------------------------------------------------------------

ora_get_rowid::ora_get_rowid() { tk_log::log(1, "ora_get_rowid::ctor"); }

ora_get_rowid::~ora_get_rowid() { tk_log::log(1, "ora_get_rowid::dtor"); }

sb4 ora_get_rowid::cbf_no_data(void*, OCIBind*, ub4, ub4, void** buffer, ub4* length, ub1* piece, void** indicator) {
    tk_log::log(1, "ora_get_rowid::cbf_no_data");
    *buffer = nullptr;
    *length = 0;
    *piece = OCI_ONE_PIECE;
    *indicator = nullptr;
    return OCI_CONTINUE;
}

sb4 ora_get_rowid::cbf_get_data(void* context, OCIBind*, ub4 iteration, ub4, void** buffer, ub4** length, ub1* piece,
                                void** indicator, ub2** return_code) {
    tk_log::log(1, "ora_get_rowid::cbf_get_data (iter=%d)", iteration);
    auto* self = static_cast<ora_get_rowid*>(context);
    *buffer = self->rowid;
    *length = &self->returned_length;
    *piece = OCI_ONE_PIECE;
    *indicator = nullptr;
    *return_code = nullptr;
    return OCI_CONTINUE;
}

// ---- table -----------------------------------------------------------------------------

ora_table::ora_table(ora_database* db, const compat::wstring& name, udb_relationships* rel)
    : ora_query_results(name, compat::wstring()), db_(db), rel_(rel) {
    tk_log::log(2, u"ora_table::ora_table(%s)", name);
    init_schema();
    if (schema_.empty()) {
        tk_log::log(2, "Empty table");
        return;
    }
    if (!ora_engine::instance().skip_indexes()) init_indexes();
    record_count_ = ora_engine::instance().get_records_cnt(name);
    tk_log::log(2, "Got %d records", record_count_);
}

ora_table::ora_table(ora_database* db, const compat::wstring& name, const compat::wstring& query,
                     udb_relationships* rel)
    : ora_query_results(name, query), db_(db), rel_(rel) {
    tk_log::log(2, u"ora_table::ora_table(%s)", name);
    init_schema();
    if (schema_.empty()) {
        tk_log::log(2, "Empty table");
        return;
    }
    record_count_ = query.empty() ? ora_engine::instance().get_records_cnt(name)
                                  : ora_engine::instance().get_records_cnt(query, true);
    tk_log::log(2, "Got %d records", record_count_);
}

ora_table::~ora_table() { tk_log::log(1, "ora_table::dtor"); }

int ora_table::find_column(const compat::wstring& name) const {
    for (size_t i = 0; i < columns().size(); ++i)
        if (columns()[i]->name() == name) return static_cast<int>(i);
    return schema_.get_field_idx(name);
}

void ora_table::init_schema() {
    tk_log::log(2, "ora_table::init_schema");
    // The described statement tells the column count: the catalog's count may disagree
    // with what SELECT * returns.
    const compat::wstring text = query_.empty() ? table_select(name_) : query_;
    tk_log::log(1, "Right before extract DB structure");
    initialize(0, text);
    tk_log::log(2, "Got %d columns", column_count());
    if (query_.empty()) init_defaults();
}

void ora_table::init_defaults() {
    ora_query_results rows(3,
                           u"select COLUMN_NAME, DATA_DEFAULT, DATA_TYPE from USER_TAB_COLUMNS where table_name = '" +
                               ora_quote_literal(name_) + u"' ORDER BY COLUMN_ID");
    int eye = 0;
    while (!rows.is_eof()) {
        udb_record* record = rows.get_item();
        if (!record) break;
        compat::wstring column = field_text(*record, 0);
        tk_log::log(1, u"Got field '%s'", column);
        int i = find_column(column);
        if (i < 0) {
            tk_log::log(2, "Field not found in schema");
            ++eye;
            continue;
        }
        t_ftd& ftd = *schema_.at(static_cast<size_t>(i));
        compat::wstring def = field_text(*record, 1);
        if (!def.empty()) {
            tk_log::log(1, u"Got default string: %s (eye=%d, type=%d)", def, eye, ftd.vartype);
            ftd.def_value = get_def_value(ftd.vartype, def);
            tk_log::log(1, u"Got default variant: %s", ftd.def_value.to_wstring());
        }
        compat::wstring type = field_text(*record, 2);
        ora_type& co = *columns().at(static_cast<size_t>(i));
        // A client that describes the length in characters has sized the column already.
        if ((type == u"NVARCHAR2" || type == u"NCHAR") && !co.sized_in_chars()) {
            tk_log::log(1, "Tuning field size for NCHAR/NVARCHAR (eye=%d)", eye);
            int n = co.size() != 0 ? co.size() : ftd.size;
            ftd.size = n / 2;
            co.set_size(n / 2);
            tk_log::log(1, "New field size=%d", n / 2);
        }
        ++eye;
    }
}

ole_variant ora_table::get_def_value(VARTYPE type, const compat::wstring& src) {
    tk_log::log(1, u"ora_table::get_def_value(type=0x%08X, src=%s)", static_cast<int>(type), src);
    // Oracle keeps the default as typed, trailing newline included.
    compat::wstring text = trim_all(src);
    if (type == VT_DATE) {
        ora_date_processor* dates = ora_date_processor::try_get();
        if (!dates) return ole_variant();
        const compat::wstring date = dates->default_text(text);
        if (date.empty()) return ole_variant();
        try {
            return ole_variant::from_wstring(date, VT_DATE);
        } catch (const tk_exception&) {
            return ole_variant();
        }
    }
    bool quoted = false;
    if (text.size() > 1 && text.front() == u'\'' && text.back() == u'\'') {
        tk_log::log(1, "Removing quotes");
        text = text.substr(1, text.size() - 2);
        tk_log::log(1, u"After removing quotes: %s", text);
        quoted = true;
        // one literal only: a quote inside is doubled ('a' || 'b' is an expression)
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] != u'\'') continue;
            if (i + 1 < text.size() && text[i + 1] == u'\'') {
                ++i;
                continue;
            }
            tk_log::log(1, "Not one literal");
            return ole_variant();
        }
    }
    if (!quoted && (type == VT_BSTR || compat::equal_nocase(text, u"NULL"))) {
        tk_log::log(1, "Incorrect/empty/null default value for VT_BSTR");
        return ole_variant();
    }
    compat::wstring unquoted;
    unquoted.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        unquoted += text[i];
        if (text[i] == u'\'' && i + 1 < text.size() && text[i + 1] == u'\'') ++i;
    }
    // An expression (SYSDATE, a function call, a sequence) is no literal of a number or of
    // binary data, and must not become 0.
    if (compat::vt_is_number(type) && !ole_is_number(unquoted)) return ole_variant();
    if (compat::vt_is_integer(type)) {
        // read as a number: 1e3 is 1000, and 1.5 is no default of an integer column
        const std::string whole = ole_whole_number(unquoted);
        if (whole.empty()) return ole_variant();
        unquoted = compat::utf8_to_utf16(whole);
    }
    if ((type == VT_BLOB || type == (VT_ARRAY | VT_UI1)) && !is_hex_literal(unquoted)) return ole_variant();
    try {
        return ole_variant::from_wstring(unquoted, type);
    } catch (const tk_exception&) {
        // A whole number beyond its column's type: kept, so that the destination can say
        // that it drops the default.
        if (!compat::vt_is_integer(type)) return ole_variant();
        try {
            return ole_variant::from_wstring(unquoted, VT_DECIMAL);
        } catch (const tk_exception&) {
            return ole_variant();
        }
    }
}

void ora_table::init_indexes() {
    tk_log::log(2, "ora_table::init_indexes");
    const compat::wstring table = ora_quote_literal(name_);

    // Primary key.
    compat::wstring pk_name;
    udb_names pk_columns;
    bool pk_complete = true;
    {
        ora_query_results rows(2,
                               u"SELECT a.constraint_name, a.column_name FROM user_cons_columns a, user_constraints b "
                               u"WHERE a.table_name='" +
                                   table +
                                   u"' AND a.constraint_name=b.constraint_name AND b.constraint_type='P' ORDER BY "
                                   u"a.constraint_name, a.position");
        while (!rows.is_eof()) {
            udb_record* record = rows.get_item();
            if (!record) break;
            if (pk_name.empty()) {
                pk_name = field_text(*record, 0);
                tk_log::log(2, u"Got primary key '%s'", pk_name);
            }
            compat::wstring column = field_text(*record, 1);
            if (find_column(column) >= 0) {
                pk_columns.push_back(column);
            } else {
                tk_log::log(2, u"PK field '%s' not found - skip it", column);
                pk_complete = false;
            }
        }
    }
    if (!pk_columns.empty() && pk_complete) add_index(udb_index(pk_name, true, true, pk_columns));

    // Unique and plain indexes, in name order; one whose column the table lacks (a
    // function-based index) is dropped whole: a narrower index would be another index.
    struct pending {
        compat::wstring name;
        bool unique;
        udb_names columns;
        bool complete;
    };
    std::vector<pending> found;
    {
        compat::wstring sql =
            u"SELECT user_indexes.index_name, user_indexes.uniqueness, user_ind_columns.column_name FROM "
            u"user_ind_columns, user_indexes where user_ind_columns.table_name = '" +
            table + u"' AND " +
            u"user_ind_columns.index_name = user_indexes.index_name AND user_ind_columns.table_name = "
            u"user_indexes.table_name ORDER BY user_indexes.index_name, user_ind_columns.column_position";
        ora_query_results rows(3, sql);
        while (!rows.is_eof()) {
            udb_record* record = rows.get_item();
            if (!record) break;
            compat::wstring index_name = field_text(*record, 0);
            bool unique = compat::equal_nocase(field_text(*record, 1), u"UNIQUE");
            compat::wstring column = field_text(*record, 2);
            tk_log::log(2, u"Got index '%s' (unique=%d)", index_name, unique ? 1 : 0);
            if (found.empty() || found.back().name != index_name) found.push_back({index_name, unique, {}, true});
            if (find_column(column) >= 0) {
                found.back().columns.push_back(column);
            } else {
                tk_log::log(2, u"Index field '%s' not found - skip it", column);
                found.back().complete = false;
            }
        }
    }
    for (const pending& p : found) {
        if (!pk_name.empty() && compat::equal_nocase(p.name, pk_name)) {
            tk_log::log(2, "Skip Primary Key DoubleInitialization");
            continue;
        }
        if (!p.complete || p.columns.empty()) continue;
        // Oracle names are case-sensitive: "IX_a" and "IX_A" are two indexes
        add_index(udb_index(p.name, p.unique, false, p.columns), true);
    }

    hold_whole_keys();
    if (!pk_name.empty()) init_foreign_keys(pk_name, pk_columns);
}

void ora_table::hold_whole_keys() {
    for (const udb_index& idx : indexes_) {
        if (!idx.primary && !idx.unique) continue;
        for (const compat::wstring& column : idx.fields) {
            const int i = find_column(column);
            if (i < 0 || !columns().at(static_cast<size_t>(i))->hold_whole_key()) continue;
            t_ftd& ftd = *schema_.at(static_cast<size_t>(i));
            ftd.vartype = VT_DECIMAL;
            ftd.reserved = udb_decimal_reserved(ora_number::whole_key_digits, 0);
            if (!ftd.def_value.is_null()) {
                const std::string whole = ole_whole_number(ftd.def_value.to_wstring());
                ftd.def_value = whole.empty() ? ole_variant() : ole_variant::from_string(whole, VT_DECIMAL);
            }
        }
    }
}

void ora_table::init_foreign_keys(const compat::wstring& key_name, const udb_names& key_columns) {
    struct fk {
        compat::wstring table, rule;
        udb_names columns;
    };
    std::vector<std::pair<compat::wstring, fk>> keys;  // in the order the server lists them
    {
        // Ordered by position, so that the columns of a composite key line up with the
        // referenced key's.
        ora_query_results rows(4,
                               u"select a.TABLE_NAME,a.CONSTRAINT_NAME,a.DELETE_RULE,b.COLUMN_NAME FROM "
                               u"USER_CONSTRAINTS a, USER_CONS_COLUMNS b WHERE a.CONSTRAINT_NAME=b.CONSTRAINT_NAME "
                               u"and a.CONSTRAINT_TYPE='R' and a.R_CONSTRAINT_NAME='" +
                                   ora_quote_literal(key_name) + u"' ORDER BY a.CONSTRAINT_NAME, b.POSITION");
        while (!rows.is_eof()) {
            udb_record* record = rows.get_item();
            if (!record) break;
            compat::wstring table = field_text(*record, 0), constraint = field_text(*record, 1),
                            rule = field_text(*record, 2), column = field_text(*record, 3);
            tk_log::log(1, u"GOT FK: %s,%s,%s,%s", table, constraint, column, rule);
            auto it = keys.begin();
            while (it != keys.end() && it->first != constraint) ++it;
            if (it == keys.end()) {
                keys.push_back({constraint, fk{table, rule, {}}});
                it = keys.end() - 1;
            }
            bool present = false;
            for (const auto& c : it->second.columns) present = present || c == column;
            if (!present) it->second.columns.push_back(column);
        }
    }
    if (keys.empty()) {
        tk_log::log(2, "No foreign keys found");
        return;
    }
    for (const auto& [constraint, key] : keys) {
        if (!rel_ || !rel_->is_acceptable_name(constraint)) continue;
        udb_relationship r;
        r.name = constraint;
        r.key_name = key_name;
        r.child_table = key.table;
        r.parent_table = name_;
        r.delete_rule = key.rule.empty() ? compat::wstring() : u"ON DELETE " + key.rule;
        r.child_fields = key.columns;
        r.parent_fields = key_columns;
        rel_->push_back(r);
    }
}

bool ora_table::is_eof() {
    tk_log::log(1, "ora_table::is_eof(%d,%d)", record_index_, record_count_);
    if (!is_initialized()) tk_fail(tk_where::ora_tab, 492);
    // The count was taken before reading and only feeds the progress display: the rows
    // end when the server says so.
    if (at_end_) return true;
    tk_log::log(1, "Step #1");
    sword status = fetch_row();
    tk_log::log(1, "Step #2");
    if (status == OCI_NO_DATA) {
        at_end_ = true;
        return true;
    }
    set_fetched(true);
    return false;
}

void ora_table::next() {
    tk_log::log(1, "ora_table::next");
    ++record_index_;
}
