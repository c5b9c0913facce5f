#include "ocilite/catalog_writer.h"

#include <algorithm>
#include <set>

#include "compat/text/text.h"
#include "ocilite/ora_errors.h"
#include "ocilite/store.h"

namespace ocilite {

namespace {

int next_counter(sqlite3* db, const std::string& key) {
    int n = 1;
    if (auto v = meta_value(db, key)) n = std::atoi(v->c_str());
    set_meta_value(db, key, std::to_string(n + 1));
    return n;
}

std::string qualified(sqlite3* db, const std::string& name) { return schema_owner(db) + "." + name; }

void check_duplicates(const std::vector<std::string>& names, int line) {
    std::set<std::string> seen;
    for (const auto& n : names)
        if (!seen.insert(n).second) raise_ora(957, "duplicate column name", line);
}

std::vector<std::string> sqlite_columns(const stored_table& t, const std::vector<std::string>& names, int line) {
    std::vector<std::string> out;
    for (const auto& n : names) {
        const stored_column* c = t.find(n);
        if (!c) raise_invalid_identifier(n, line);
        out.push_back(c->sqlite_name);
    }
    return out;
}

std::string join(const std::vector<std::string>& v, const std::string& sep) {
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) out += (i ? sep : "") + v[i];
    return out;
}

// Columns of a constraint, in position order.
std::vector<std::string> constraint_columns(sqlite3* db, const std::string& name) {
    sqlite_stmt st(db, "SELECT COLUMN_NAME FROM USER_CONS_COLUMNS WHERE CONSTRAINT_NAME=? ORDER BY POSITION");
    st.bind(1, name);
    std::vector<std::string> out;
    while (st.step()) out.push_back(st.text(0));
    return out;
}

}  // namespace

bool catalog_writer::index_exists(const std::string& name) {
    sqlite_stmt st(db_, "SELECT 1 FROM USER_INDEXES WHERE INDEX_NAME=?");
    st.bind(1, name);
    return st.step();
}

bool catalog_writer::constraint_exists(const std::string& name) {
    sqlite_stmt st(db_, "SELECT 1 FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME=?");
    st.bind(1, name);
    return st.step();
}

void catalog_writer::create_user(const std::string& name, const std::string& password, int line) {
    if (is_user(db_, name)) raise_ora(1920, "user name '" + name + "' conflicts with another user or role name", line);
    sqlite_stmt st(db_, "INSERT INTO ocilite_users(username, password) VALUES(?, ?)");
    st.bind(1, name).bind(2, password);
    st.step();
    if (schema_owner(db_).empty()) {
        set_meta_value(db_, "owner", name);
        // Objects made before the first user belong to it.
        sqlite_stmt(db_, "UPDATE ALL_VIEWS SET OWNER=?1 WHERE OWNER=''").bind(1, name).step();
        sqlite_stmt(db_, "UPDATE USER_CONSTRAINTS SET OWNER=?1 WHERE OWNER=''").bind(1, name).step();
        sqlite_stmt(db_, "UPDATE USER_CONS_COLUMNS SET OWNER=?1 WHERE OWNER=''").bind(1, name).step();
        sqlite_stmt(db_, "UPDATE USER_INDEXES SET TABLE_OWNER=?1 WHERE TABLE_OWNER=''").bind(1, name).step();
    }
}

void catalog_writer::create_table(const table_def& t) {
    int line = t.columns.front().line;
    if (object_name_used(db_, t.name)) raise_ora(955, "name is already used by an existing object", line);
    std::vector<std::string> names;
    for (const auto& c : t.columns) names.push_back(c.name);
    check_duplicates(names, line);
    int longs = 0;
    for (const auto& c : t.columns)
        if (c.type.kind == ora_kind::long_text || c.type.kind == ora_kind::long_raw) ++longs;
    if (longs > 1) raise_ora(1754, "a table may contain only one column of type LONG", line);

    std::string sqlite_name = "t" + std::to_string(next_counter(db_, "next_table"));
    std::string ddl = "CREATE TABLE " + sqlite_name + "(";
    for (size_t i = 0; i < t.columns.size(); ++i) ddl += (i ? ", c" : "c") + std::to_string(i + 1);
    ddl += ")";
    sqlite_stmt(db_, ddl).step();

    sqlite_stmt(db_, "INSERT INTO ocilite_tables(table_name, sqlite_name) VALUES(?, ?)")
        .bind(1, t.name)
        .bind(2, sqlite_name)
        .step();
    sqlite_stmt(db_,
                "INSERT INTO USER_TABLES(TABLE_NAME, TABLESPACE_NAME, TEMPORARY, NESTED, IOT_TYPE) "
                "VALUES(?, 'USERS', 'N', 'NO', NULL)")
        .bind(1, t.name)
        .step();
    sqlite_stmt map(db_,
                    "INSERT INTO ocilite_columns(table_name, column_name, sqlite_name, column_id) VALUES(?,?,?,?)");
    sqlite_stmt col(db_,
                    "INSERT INTO USER_TAB_COLUMNS(TABLE_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION,"
                    " DATA_SCALE, NULLABLE, COLUMN_ID, DATA_DEFAULT, CHAR_LENGTH, CHAR_USED)"
                    " VALUES(?,?,?,?,?,?,?,?,?,?,?)");
    for (size_t i = 0; i < t.columns.size(); ++i) {
        const column_def& c = t.columns[i];
        int id = static_cast<int>(i + 1);
        map.bind(1, t.name).bind(2, c.name).bind(3, "c" + std::to_string(id)).bind(4, static_cast<int64_t>(id));
        map.step();
        map.reset();
        col.bind(1, t.name)
            .bind(2, c.name)
            .bind(3, c.type.data_type())
            .bind(4, static_cast<int64_t>(c.type.data_length()));
        col.bind_opt(5, c.type.data_precision()).bind_opt(6, c.type.data_scale()).bind(7, c.not_null ? "N" : "Y");
        col.bind(8, static_cast<int64_t>(id))
            .bind_opt(9, c.default_text)
            .bind(10, static_cast<int64_t>(c.type.char_length()));
        col.bind_opt(11, c.type.char_used());
        col.step();
        col.reset();
    }
    // Keys first, so that a foreign key may reference a key of the same table.
    std::vector<const constraint_def*> order;
    for (const auto& c : t.constraints)
        if (c.type == 'P' || c.type == 'U') order.push_back(&c);
    for (const auto& c : t.constraints)
        if (c.type != 'P' && c.type != 'U') order.push_back(&c);
    for (const constraint_def* c : order) add_constraint(t.name, *c);
}

std::string catalog_writer::find_index_on(const std::string& table, const std::vector<std::string>& columns) {
    sqlite_stmt st(db_,
                   "SELECT INDEX_NAME, COLUMN_NAME FROM USER_IND_COLUMNS WHERE TABLE_NAME=? "
                   "ORDER BY INDEX_NAME, COLUMN_POSITION");
    st.bind(1, table);
    std::string current;
    std::vector<std::string> cols;
    auto matches = [&]() { return !current.empty() && cols == columns; };
    while (st.step()) {
        std::string name = st.text(0);
        if (name != current) {
            if (matches()) return current;
            current = name;
            cols.clear();
        }
        cols.push_back(st.text(1));
    }
    return matches() ? current : std::string();
}

std::string catalog_writer::create_sqlite_index(const std::string& sqlite_table, const std::vector<std::string>& cols,
                                                bool unique, const std::string& oracle_name, int line) {
    std::string name = "x" + std::to_string(next_counter(db_, "next_index"));
    std::string sql = std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " + name + " ON " + sqlite_table +
                      "(" + join(cols, ", ") + ")";
    char* err = nullptr;
    int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK) {
        if ((rc & 0xFF) == SQLITE_CONSTRAINT) raise_ora(1452, "cannot CREATE UNIQUE INDEX; duplicate keys found", line);
        throw store_error{std::string("creating index ") + oracle_name + ": " + sqlite3_errmsg(db_)};
    }
    return name;
}

void catalog_writer::add_index_rows(const std::string& index, const std::string& table, bool unique, bool generated,
                                    const std::vector<std::string>& columns) {
    sqlite_stmt(db_,
                "INSERT INTO USER_INDEXES(INDEX_NAME, INDEX_TYPE, TABLE_OWNER, TABLE_NAME, TABLE_TYPE,"
                " UNIQUENESS, STATUS, GENERATED) VALUES(?, 'NORMAL', ?, ?, 'TABLE', ?, 'VALID', ?)")
        .bind(1, index)
        .bind(2, schema_owner(db_))
        .bind(3, table)
        .bind(4, unique ? "UNIQUE" : "NONUNIQUE")
        .bind(5, generated ? "Y" : "N")
        .step();
    sqlite_stmt col(db_,
                    "INSERT INTO USER_IND_COLUMNS(INDEX_NAME, TABLE_NAME, COLUMN_NAME, COLUMN_POSITION, DESCEND)"
                    " VALUES(?, ?, ?, ?, 'ASC')");
    for (size_t i = 0; i < columns.size(); ++i) {
        col.bind(1, index).bind(2, table).bind(3, columns[i]).bind(4, static_cast<int64_t>(i + 1));
        col.step();
        col.reset();
    }
}

void catalog_writer::add_constraint(const std::string& table, const constraint_def& c) {
    int line = c.line;
    auto t = find_table(db_, table);
    if (!t) raise_no_table(line);
    bool generated = c.name.empty();
    std::string name = generated ? next_system_name(db_) : c.name;
    if (constraint_exists(name)) raise_ora(2264, "name already used by an existing constraint", line);
    check_duplicates(c.columns, line);
    std::vector<std::string> cols = c.type == 'C' ? std::vector<std::string>{} : sqlite_columns(*t, c.columns, line);

    std::string index_name;
    std::string r_constraint;
    if (c.type == 'P' || c.type == 'U') {
        sqlite_stmt keys(db_,
                         "SELECT CONSTRAINT_NAME, CONSTRAINT_TYPE FROM USER_CONSTRAINTS "
                         "WHERE TABLE_NAME=? AND CONSTRAINT_TYPE IN ('P','U')");
        keys.bind(1, table);
        while (keys.step()) {
            if (c.type == 'P' && keys.text(1) == "P") raise_ora(2260, "table can have only one primary key", line);
            if (constraint_columns(db_, keys.text(0)) == c.columns)
                raise_ora(2261, "such unique or primary key already exists in the table", line);
        }
        if (c.type == 'P') {
            std::string where;
            for (const auto& sc : cols) where += (where.empty() ? "" : " OR ") + sc + " IS NULL";
            sqlite_stmt nulls(db_, "SELECT 1 FROM " + t->sqlite_name + " WHERE " + where + " LIMIT 1");
            if (nulls.step()) raise_ora(1449, "column contains NULL values; cannot alter to NOT NULL", line);
            sqlite_stmt nn(db_, "UPDATE USER_TAB_COLUMNS SET NULLABLE='N' WHERE TABLE_NAME=? AND COLUMN_NAME=?");
            for (const auto& cn : c.columns) {
                nn.bind(1, table).bind(2, cn);
                nn.step();
                nn.reset();
            }
        }
        // The key's own unique index enforces it; an index already on these columns serves as
        // the key's index in the catalog, as Oracle reuses it.
        index_name = find_index_on(table, c.columns);
        try {
            create_sqlite_index(t->sqlite_name, cols, true, name, line);
        } catch (const sql_error&) {
            if (c.type == 'P')
                raise_ora(2437, "cannot validate (" + qualified(db_, name) + ") - primary key violated", line);
            raise_ora(2299, "cannot validate (" + qualified(db_, name) + ") - duplicate keys found", line);
        }
        if (index_name.empty()) {
            if (index_exists(name)) raise_ora(955, "name is already used by an existing object", line);
            index_name = name;
            add_index_rows(name, table, true, generated, c.columns);
        }
    } else if (c.type == 'R') {
        auto parent = find_table(db_, c.ref_table);
        if (!parent) raise_no_table(line);
        std::vector<std::string> ref_cols = c.ref_columns;
        sqlite_stmt keys(db_,
                         "SELECT CONSTRAINT_NAME, CONSTRAINT_TYPE FROM USER_CONSTRAINTS "
                         "WHERE TABLE_NAME=? AND CONSTRAINT_TYPE IN ('P','U') ORDER BY CONSTRAINT_TYPE");
        keys.bind(1, c.ref_table);
        while (keys.step()) {
            std::vector<std::string> kc = constraint_columns(db_, keys.text(0));
            if (ref_cols.empty() ? keys.text(1) == "P" : kc == ref_cols) {
                r_constraint = keys.text(0);
                ref_cols = kc;
                break;
            }
        }
        if (r_constraint.empty()) {
            if (c.ref_columns.empty()) raise_ora(2268, "referenced table does not have a primary key", line);
            raise_ora(2270, "no matching unique or primary key for this column-list", line);
        }
        if (ref_cols.size() != c.columns.size())
            raise_ora(2256, "number of referencing columns must match referenced columns", line);
        std::vector<std::string> pcols = sqlite_columns(*parent, ref_cols, line);
        // Rows already there must have their parents.
        std::string not_null, match;
        for (size_t i = 0; i < cols.size(); ++i) {
            not_null += (i ? " AND " : "") + std::string("c.") + cols[i] + " IS NOT NULL";
            match += (i ? " AND " : "") + std::string("p.") + pcols[i] + " = c." + cols[i];
        }
        sqlite_stmt orphans(db_, "SELECT 1 FROM " + t->sqlite_name + " c WHERE " + not_null +
                                     " AND NOT EXISTS (SELECT 1 FROM " + parent->sqlite_name + " p WHERE " + match +
                                     ") LIMIT 1");
        if (orphans.step())
            raise_ora(2298, "cannot validate (" + qualified(db_, name) + ") - parent keys not found", line);
    }

    sqlite_stmt row(db_,
                    "INSERT INTO USER_CONSTRAINTS(OWNER, CONSTRAINT_NAME, CONSTRAINT_TYPE, TABLE_NAME,"
                    " SEARCH_CONDITION, R_OWNER, R_CONSTRAINT_NAME, DELETE_RULE, STATUS, GENERATED, INDEX_NAME)"
                    " VALUES(?,?,?,?,?,?,?,?,'ENABLED',?,?)");
    std::string owner = schema_owner(db_);
    row.bind(1, owner).bind(2, name).bind(3, std::string(1, c.type)).bind(4, table);
    row.bind_opt(5, c.type == 'C' ? std::optional<std::string>(c.search_condition) : std::nullopt);
    row.bind_opt(6, c.type == 'R' ? std::optional<std::string>(owner) : std::nullopt);
    row.bind_opt(7, c.type == 'R' ? std::optional<std::string>(r_constraint) : std::nullopt);
    row.bind_opt(8, c.type == 'R' ? std::optional<std::string>(c.delete_rule) : std::nullopt);
    row.bind(9, generated ? "GENERATED NAME" : "USER NAME");
    row.bind_opt(10, index_name.empty() ? std::nullopt : std::optional<std::string>(index_name));
    row.step();
    sqlite_stmt cc(db_,
                   "INSERT INTO USER_CONS_COLUMNS(OWNER, CONSTRAINT_NAME, TABLE_NAME, COLUMN_NAME, POSITION)"
                   " VALUES(?,?,?,?,?)");
    for (size_t i = 0; i < c.columns.size(); ++i) {
        cc.bind(1, owner).bind(2, name).bind(3, table).bind(4, c.columns[i]);
        if (c.type == 'C')
            cc.bind_null(5);
        else
            cc.bind(5, static_cast<int64_t>(i + 1));
        cc.step();
        cc.reset();
    }
}

void catalog_writer::create_index(const index_def& d) {
    if (index_exists(d.name)) raise_ora(955, "name is already used by an existing object", d.line);
    auto t = find_table(db_, d.table);
    if (!t) raise_no_table(d.line);
    check_duplicates(d.columns, d.line);
    std::vector<std::string> cols = sqlite_columns(*t, d.columns, d.line);
    if (!find_index_on(d.table, d.columns).empty()) raise_ora(1408, "such column list already indexed", d.line);
    create_sqlite_index(t->sqlite_name, cols, d.unique, d.name, d.line);
    add_index_rows(d.name, d.table, d.unique, false, d.columns);
}

void catalog_writer::create_view(const view_def& v, int line) {
    {
        sqlite_stmt st(db_, "SELECT 1 FROM ocilite_tables WHERE table_name=?");
        st.bind(1, v.name);
        if (st.step() || (!v.or_replace && object_name_used(db_, v.name)))
            raise_ora(955, "name is already used by an existing object", line);
    }
    sqlite_stmt(db_, "DELETE FROM ALL_VIEWS WHERE VIEW_NAME=?").bind(1, v.name).step();
    sqlite_stmt(db_, "DELETE FROM ocilite_columns WHERE table_name=?").bind(1, v.name).step();
    // Oracle compiles the view now: its query must translate.
    translated tr;
    try {
        tr = translate(db_, compat::utf8_to_utf16(v.text));
    } catch (sql_error& e) {
        e.line = line;
        throw;
    } catch (ora_error& e) {
        raise_ora(e.code, e.message.substr(e.message.find(": ") + 2), line);
    }
    std::vector<std::string> names = v.columns;
    if (!names.empty() && names.size() != tr.columns.size())
        raise_ora(1730, "invalid number of column names specified", line);
    if (names.empty())
        for (const auto& c : tr.columns) names.push_back(compat::utf16_to_utf8(c.name));
    check_duplicates(names, line);
    sqlite_stmt(db_, "INSERT INTO ALL_VIEWS(OWNER, VIEW_NAME, TEXT_LENGTH, TEXT) VALUES(?,?,?,?)")
        .bind(1, schema_owner(db_))
        .bind(2, v.name)
        .bind(3, static_cast<int64_t>(v.text.size()))
        .bind(4, v.text)
        .step();
    // The view's column names, for the translator (sqlite_name stays empty: a view has no table).
    sqlite_stmt map(db_,
                    "INSERT INTO ocilite_columns(table_name, column_name, sqlite_name, column_id) VALUES(?,?,'',?)");
    for (size_t i = 0; i < names.size(); ++i) {
        map.bind(1, v.name).bind(2, names[i]).bind(3, static_cast<int64_t>(i + 1));
        map.step();
        map.reset();
    }
}

}  // namespace ocilite
