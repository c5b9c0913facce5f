#include "ocilite/catalog_writer.h"

#include <algorithm>
#include <set>

#include "compat/text/text.h"
#include "ocilite/catalog_views.h"
#include "ocilite/ora_errors.h"
#include "ocilite/sequences.h"
#include "ocilite/store.h"
#include "ocilite/stored_code.h"

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

constexpr const char* insert_tab_column =
    "INSERT INTO USER_TAB_COLUMNS(TABLE_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION,"
    " DATA_SCALE, NULLABLE, COLUMN_ID, DATA_DEFAULT, CHAR_LENGTH, CHAR_USED)"
    " VALUES(?,?,?,?,?,?,?,?,?,?,?)";

// The column's USER_TAB_COLUMNS row, through a statement prepared from insert_tab_column.
void add_tab_column(sqlite_stmt& col, const std::string& table, const column_def& c, int id) {
    col.bind(1, table).bind(2, c.name).bind(3, c.type.data_type()).bind(4, static_cast<int64_t>(c.type.data_length()));
    col.bind_opt(5, c.type.data_precision()).bind_opt(6, c.type.data_scale()).bind(7, c.not_null ? "N" : "Y");
    col.bind(8, static_cast<int64_t>(id))
        .bind_opt(9, c.default_text)
        .bind(10, static_cast<int64_t>(c.type.char_length()));
    col.bind_opt(11, c.type.char_used());
    col.step();
}

// True when a row of the child table has a key (its columns cols, none NULL) that no row of the
// parent table has in pcols.
bool has_orphans(sqlite3* db, const std::string& child, const std::vector<std::string>& cols, const std::string& parent,
                 const std::vector<std::string>& pcols) {
    std::string not_null, match;
    for (size_t i = 0; i < cols.size() && i < pcols.size(); ++i) {
        not_null += (i ? " AND " : "") + std::string("c.") + cols[i] + " IS NOT NULL";
        match += (i ? " AND " : "") + std::string("p.") + pcols[i] + " = c." + cols[i];
    }
    sqlite_stmt orphans(db, "SELECT 1 FROM " + child + " c WHERE " + not_null + " AND NOT EXISTS (SELECT 1 FROM " +
                                parent + " p WHERE " + match + ") LIMIT 1");
    return orphans.step();
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
    if (is_user(db_, name) || is_role(db_, name))
        raise_ora(1920, "user name '" + name + "' conflicts with another user or role name", line);
    sqlite_stmt st(db_, "INSERT INTO ocilite_users(username, password) VALUES(?, ?)");
    st.bind(1, name).bind(2, password);
    st.step();
    sqlite_stmt(db_, "INSERT INTO ALL_USERS(USERNAME, USER_ID) VALUES(?, ?)")
        .bind(1, name)
        .bind(2, int64_t{100} + next_counter(db_, "next_user"))
        .step();
    if (schema_owner(db_).empty()) {
        set_meta_value(db_, "owner", name);
        // Objects made before the first user belong to it.
        sqlite_stmt(db_, "UPDATE ALL_VIEWS SET OWNER=?1 WHERE OWNER=''").bind(1, name).step();
        sqlite_stmt(db_, "UPDATE USER_CONSTRAINTS SET OWNER=?1 WHERE OWNER=''").bind(1, name).step();
        sqlite_stmt(db_, "UPDATE USER_CONS_COLUMNS SET OWNER=?1 WHERE OWNER=''").bind(1, name).step();
        sqlite_stmt(db_, "UPDATE USER_INDEXES SET TABLE_OWNER=?1 WHERE TABLE_OWNER=''").bind(1, name).step();
    }
}

void catalog_writer::create_role(const std::string& name, int line) {
    if (is_grantee(db_, name))
        raise_ora(1921, "role name '" + name + "' conflicts with another user or role name", line);
    sqlite_stmt(db_, "INSERT INTO ocilite_roles(role) VALUES(?)").bind(1, name).step();
}

void catalog_writer::drop_role(const std::string& name, int line) {
    if (!is_role(db_, name)) raise_ora(1919, "role '" + name + "' does not exist", line);
    sqlite_stmt(db_, "DELETE FROM ocilite_roles WHERE role=?").bind(1, name).step();
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
                "VALUES(?, 'USERS', 'N', 'NO', ?)")
        .bind(1, t.name)
        .bind_opt(2, t.index_organized ? std::optional<std::string>("IOT") : std::nullopt)
        .step();
    sqlite_stmt map(db_,
                    "INSERT INTO ocilite_columns(table_name, column_name, sqlite_name, column_id) VALUES(?,?,?,?)");
    sqlite_stmt col(db_, insert_tab_column);
    for (size_t i = 0; i < t.columns.size(); ++i) {
        const column_def& c = t.columns[i];
        int id = static_cast<int>(i + 1);
        map.bind(1, t.name).bind(2, c.name).bind(3, "c" + std::to_string(id)).bind(4, static_cast<int64_t>(id));
        map.step();
        map.reset();
        add_tab_column(col, t.name, c, id);
        col.reset();
    }
    // Keys first, so that a foreign key may reference a key of the same table.
    std::vector<const constraint_def*> order;
    for (const auto& c : t.constraints)
        if (c.type == 'P' || c.type == 'U') order.push_back(&c);
    for (const auto& c : t.constraints)
        if (c.type != 'P' && c.type != 'U') order.push_back(&c);
    for (const constraint_def* c : order) add_constraint(t.name, *c);
    for (const auto& c : t.columns)
        if (c.identity) add_identity(t.name, c.name, *c.identity, c.line);
}

void catalog_writer::add_identity(const std::string& table, const std::string& column, const identity_def& id,
                                  int line) {
    auto t = find_table(db_, table);
    if (!t) raise_no_table(line);
    const stored_column* col = t->find(column);
    if (!col) raise_invalid_identifier(column, line);
    if (!col->type.is_numeric() || col->type.kind == ora_kind::binary_double ||
        col->type.kind == ora_kind::binary_float)
        raise_ora(30675, "identity column must be a numeric type", line);
    std::string sequence;
    {
        sqlite_stmt st(db_, "SELECT sequence_name FROM ocilite_identity WHERE table_name=? AND column_name=?");
        st.bind(1, table).bind(2, column);
        if (st.step()) sequence = st.text(0);
    }
    if (sequence.empty()) {
        sequence = "ISEQ$$_" + std::to_string(70000 + next_counter(db_, "next_identity"));
        create_sequence(db_, sequence, id.options, line);
        sqlite_stmt(db_,
                    "INSERT INTO ocilite_identity(table_name, column_name, sequence_name, always, on_null)"
                    " VALUES(?,?,?,?,?)")
            .bind(1, table)
            .bind(2, column)
            .bind(3, sequence)
            .bind(4, static_cast<int64_t>(id.always))
            .bind(5, static_cast<int64_t>(id.on_null))
            .step();
        sqlite_stmt(db_,
                    "INSERT INTO USER_TAB_IDENTITY_COLS(TABLE_NAME, COLUMN_NAME, GENERATION_TYPE, SEQUENCE_NAME,"
                    " IDENTITY_OPTIONS) VALUES(?,?,?,?,?)")
            .bind(1, table)
            .bind(2, column)
            .bind(3, id.always ? "ALWAYS" : "BY DEFAULT")
            .bind(4, sequence)
            .bind(5, id.options_text)
            .step();
        sqlite_stmt(db_, "UPDATE USER_TAB_COLUMNS SET NULLABLE='N' WHERE TABLE_NAME=? AND COLUMN_NAME=?")
            .bind(1, table)
            .bind(2, column)
            .step();
    } else {
        sqlite_stmt(db_, "UPDATE ocilite_identity SET always=?, on_null=? WHERE table_name=? AND column_name=?")
            .bind(1, static_cast<int64_t>(id.always))
            .bind(2, static_cast<int64_t>(id.on_null))
            .bind(3, table)
            .bind(4, column)
            .step();
        sqlite_stmt(db_, "UPDATE USER_TAB_IDENTITY_COLS SET GENERATION_TYPE=? WHERE TABLE_NAME=? AND COLUMN_NAME=?")
            .bind(1, id.always ? "ALWAYS" : "BY DEFAULT")
            .bind(2, table)
            .bind(3, column)
            .step();
        alter_sequence(db_, sequence, id.options, line);
    }
    if (id.start_with_limit) {
        // The next value follows the highest one stored, as after a bulk load.
        sqlite_stmt mx(db_, "SELECT MAX(CAST(" + col->sqlite_name + " AS INTEGER)) FROM " + t->sqlite_name);
        mx.step();
        sequence_restart_after(db_, sequence, mx.is_null(0) ? std::nullopt : std::optional<int64_t>(mx.integer(0)));
    }
}

void catalog_writer::add_column(const std::string& table, const column_def& c) {
    auto t = find_table(db_, table);
    if (!t) raise_no_table(c.line);
    if (t->find(c.name)) raise_ora(1430, "column being added already exists in table", c.line);
    if (c.not_null && !c.default_text) {
        sqlite_stmt rows(db_, "SELECT 1 FROM " + t->sqlite_name + " LIMIT 1");
        if (rows.step() && !c.identity)
            raise_ora(1758, "table must be empty to add mandatory (NOT NULL) column", c.line);
    }
    int id = static_cast<int>(t->columns.size() + 1);
    std::string sqlite_name = "c" + std::to_string(id);
    sqlite_stmt(db_, "ALTER TABLE " + t->sqlite_name + " ADD COLUMN " + sqlite_name).step();
    sqlite_stmt(db_, "INSERT INTO ocilite_columns(table_name, column_name, sqlite_name, column_id) VALUES(?,?,?,?)")
        .bind(1, table)
        .bind(2, c.name)
        .bind(3, sqlite_name)
        .bind(4, static_cast<int64_t>(id))
        .step();
    sqlite_stmt col(db_, insert_tab_column);
    add_tab_column(col, table, c, id);
    if (c.identity) add_identity(table, c.name, *c.identity, c.line);
}

void catalog_writer::set_constraint_status(const std::string& table, const std::string& name, bool enable,
                                           bool validate, int line) {
    sqlite_stmt st(
        db_,
        "SELECT CONSTRAINT_TYPE, R_CONSTRAINT_NAME FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME=? AND TABLE_NAME=?");
    st.bind(1, name).bind(2, table);
    if (!st.step()) raise_ora(2431, "cannot disable constraint (" + name + ") - no such constraint", line);
    std::string type = st.text(0);
    if (enable && validate && type == "R") {
        auto t = find_table(db_, table);
        std::vector<std::string> cols = sqlite_columns(*t, constraint_columns(db_, name), line);
        std::string parent_key = st.text(1);
        sqlite_stmt pk(db_, "SELECT TABLE_NAME FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME=?");
        pk.bind(1, parent_key);
        if (pk.step()) {
            auto parent = find_table(db_, pk.text(0));
            std::vector<std::string> pcols = sqlite_columns(*parent, constraint_columns(db_, parent_key), line);
            if (has_orphans(db_, t->sqlite_name, cols, parent->sqlite_name, pcols))
                raise_ora(2298, "cannot validate (" + qualified(db_, name) + ") - parent keys not found", line);
        }
    }
    sqlite_stmt(db_, "UPDATE USER_CONSTRAINTS SET STATUS=? WHERE CONSTRAINT_NAME=? AND TABLE_NAME=?")
        .bind(1, enable ? "ENABLED" : "DISABLED")
        .bind(2, name)
        .bind(3, table)
        .step();
}

void catalog_writer::drop_table(const std::string& table, bool cascade_constraints, int line) {
    auto t = find_table(db_, table);
    if (!t) raise_no_table(line);
    // Foreign keys of other tables that reference this one's keys.
    std::vector<std::string> referencing;
    {
        sqlite_stmt st(db_,
                       "SELECT c.CONSTRAINT_NAME FROM USER_CONSTRAINTS c JOIN USER_CONSTRAINTS k"
                       " ON c.R_CONSTRAINT_NAME = k.CONSTRAINT_NAME WHERE k.TABLE_NAME=?1 AND c.TABLE_NAME<>?1");
        st.bind(1, table);
        while (st.step()) referencing.push_back(st.text(0));
    }
    if (!referencing.empty() && !cascade_constraints)
        raise_ora(2449, "unique/primary keys in table referenced by foreign keys", line);
    for (const auto& fk : referencing) {
        sqlite_stmt(db_, "DELETE FROM USER_CONS_COLUMNS WHERE CONSTRAINT_NAME=?").bind(1, fk).step();
        sqlite_stmt(db_, "DELETE FROM USER_CONSTRAINTS WHERE CONSTRAINT_NAME=?").bind(1, fk).step();
    }
    std::vector<std::string> sequences;
    {
        sqlite_stmt st(db_, "SELECT sequence_name FROM ocilite_identity WHERE table_name=?");
        st.bind(1, table);
        while (st.step()) sequences.push_back(st.text(0));
    }
    for (const auto& s : sequences) drop_sequence(db_, s, line);
    drop_table_triggers(db_, table);
    for (const char* sql :
         {"DELETE FROM ocilite_identity WHERE table_name=?", "DELETE FROM USER_TAB_IDENTITY_COLS WHERE TABLE_NAME=?",
          "DELETE FROM USER_CONS_COLUMNS WHERE TABLE_NAME=?", "DELETE FROM USER_CONSTRAINTS WHERE TABLE_NAME=?",
          "DELETE FROM USER_IND_COLUMNS WHERE TABLE_NAME=?", "DELETE FROM USER_INDEXES WHERE TABLE_NAME=?",
          "DELETE FROM USER_TAB_COLUMNS WHERE TABLE_NAME=?", "DELETE FROM USER_TABLES WHERE TABLE_NAME=?",
          "DELETE FROM USER_TAB_COMMENTS WHERE TABLE_NAME=?", "DELETE FROM USER_COL_COMMENTS WHERE TABLE_NAME=?",
          "DELETE FROM ocilite_columns WHERE table_name=?", "DELETE FROM ocilite_tables WHERE table_name=?"})
        sqlite_stmt(db_, sql).bind(1, table).step();
    sqlite_stmt(db_, "DROP TABLE " + t->sqlite_name).step();
}

void catalog_writer::drop_view(const std::string& view, int line) {
    sqlite_stmt st(db_, "SELECT 1 FROM ALL_VIEWS WHERE VIEW_NAME=?");
    st.bind(1, view);
    if (!st.step()) raise_no_table(line);
    for (const char* sql :
         {"DELETE FROM ALL_VIEWS WHERE VIEW_NAME=?", "DELETE FROM USER_VIEWS WHERE VIEW_NAME=?",
          "DELETE FROM ocilite_unrunnable_views WHERE view_name=?", "DELETE FROM USER_TAB_COMMENTS WHERE TABLE_NAME=?",
          "DELETE FROM USER_COL_COMMENTS WHERE TABLE_NAME=?", "DELETE FROM ocilite_columns WHERE table_name=?"})
        sqlite_stmt(db_, sql).bind(1, view).step();
}

void catalog_writer::drop_user(const std::string& name, bool cascade, int line) {
    if (!is_user(db_, name)) raise_ora(1918, "user '" + name + "' does not exist", line);
    bool owner = schema_owner(db_) == name;
    if (owner) {
        bool has_objects = false;
        {
            sqlite_stmt any(db_,
                            "SELECT 1 FROM ocilite_tables UNION ALL SELECT 1 FROM ALL_VIEWS UNION ALL "
                            "SELECT 1 FROM USER_OBJECTS LIMIT 1");
            has_objects = any.step();
        }
        if (has_objects && !cascade) raise_ora(1922, "CASCADE must be specified to drop '" + name + "'", line);
        std::vector<std::string> tables;
        {
            sqlite_stmt st(db_, "SELECT sqlite_name FROM ocilite_tables");
            while (st.step()) tables.push_back(st.text(0));
        }
        for (const auto& t : tables) sqlite_stmt(db_, "DROP TABLE " + t).step();
        // Every object belonged to the owner: the catalog starts over, keeping its fixed rows.
        for (const auto& v : catalog_views()) {
            if (v.name == "V$VERSION" || v.name == "DUAL" || v.name == "DBA_TABLESPACES" ||
                v.name == "DATABASE_PROPERTIES" || v.name == "ALL_USERS")
                continue;
            sqlite_stmt(db_, "DELETE FROM " + sqlite_quote_name(v.name)).step();
        }
        for (const char* t :
             {"ocilite_tables", "ocilite_columns", "ocilite_identity", "ocilite_sequences", "ocilite_unrunnable_views"})
            sqlite_stmt(db_, std::string("DELETE FROM ") + t).step();
        sqlite_stmt(db_, "DELETE FROM ocilite_meta WHERE key='owner'").step();
    }
    sqlite_stmt(db_, "DELETE FROM ocilite_users WHERE username=?").bind(1, name).step();
    sqlite_stmt(db_, "DELETE FROM ALL_USERS WHERE USERNAME=?").bind(1, name).step();
    if (owner) {
        // The next user in line becomes the owner.
        sqlite_stmt next(db_, "SELECT username FROM ocilite_users ORDER BY rowid LIMIT 1");
        if (next.step()) set_meta_value(db_, "owner", next.text(0));
    }
}

void catalog_writer::comment(const std::string& table, const std::optional<std::string>& column,
                             const std::string& text, int line) {
    auto t = find_table(db_, table);
    bool view = false;
    if (!t) {
        sqlite_stmt st(db_, "SELECT 1 FROM ALL_VIEWS WHERE VIEW_NAME=?");
        st.bind(1, table);
        view = st.step();
        if (!view) raise_no_table(line);
    }
    if (column) {
        sqlite_stmt c(db_, "SELECT 1 FROM ocilite_columns WHERE table_name=? AND column_name=?");
        c.bind(1, table).bind(2, *column);
        // A view the stand-in cannot run has no known columns: its comments are kept anyway.
        sqlite_stmt unrunnable(db_, "SELECT 1 FROM ocilite_unrunnable_views WHERE view_name=?");
        unrunnable.bind(1, table);
        if (!c.step() && !unrunnable.step()) raise_invalid_identifier(*column, line);
        sqlite_stmt(db_, "DELETE FROM USER_COL_COMMENTS WHERE TABLE_NAME=? AND COLUMN_NAME=?")
            .bind(1, table)
            .bind(2, *column)
            .step();
        sqlite_stmt(db_, "INSERT INTO USER_COL_COMMENTS(TABLE_NAME, COLUMN_NAME, COMMENTS) VALUES(?,?,?)")
            .bind(1, table)
            .bind(2, *column)
            .bind_opt(3, text.empty() ? std::nullopt : std::optional<std::string>(text))
            .step();
        return;
    }
    sqlite_stmt(db_, "DELETE FROM USER_TAB_COMMENTS WHERE TABLE_NAME=?").bind(1, table).step();
    sqlite_stmt(db_, "INSERT INTO USER_TAB_COMMENTS(TABLE_NAME, TABLE_TYPE, COMMENTS) VALUES(?,?,?)")
        .bind(1, table)
        .bind(2, view ? "VIEW" : "TABLE")
        .bind_opt(3, text.empty() ? std::nullopt : std::optional<std::string>(text))
        .step();
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
        if (has_orphans(db_, t->sqlite_name, cols, parent->sqlite_name, pcols))
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

// A view's name must be free unless it replaces a view; whatever was kept of the old one goes.
void catalog_writer::clear_view(const view_def& v, int line) {
    {
        sqlite_stmt st(db_, "SELECT 1 FROM ocilite_tables WHERE table_name=?");
        st.bind(1, v.name);
        if (st.step() || (!v.or_replace && object_name_used(db_, v.name)))
            raise_ora(955, "name is already used by an existing object", line);
    }
    for (const char* sql :
         {"DELETE FROM ALL_VIEWS WHERE VIEW_NAME=?", "DELETE FROM USER_VIEWS WHERE VIEW_NAME=?",
          "DELETE FROM ocilite_unrunnable_views WHERE view_name=?", "DELETE FROM ocilite_columns WHERE table_name=?"})
        sqlite_stmt(db_, sql).bind(1, v.name).step();
}

void catalog_writer::add_view_rows(const view_def& v) {
    sqlite_stmt(db_, "INSERT INTO ALL_VIEWS(OWNER, VIEW_NAME, TEXT_LENGTH, TEXT) VALUES(?,?,?,?)")
        .bind(1, schema_owner(db_))
        .bind(2, v.name)
        .bind(3, static_cast<int64_t>(v.text.size()))
        .bind(4, v.text)
        .step();
    sqlite_stmt(db_, "INSERT INTO USER_VIEWS(VIEW_NAME, TEXT_LENGTH, TEXT) VALUES(?,?,?)")
        .bind(1, v.name)
        .bind(2, static_cast<int64_t>(v.text.size()))
        .bind(3, v.text)
        .step();
}

// The view's column names, for the translator (sqlite_name stays empty: a view has no table).
void catalog_writer::add_view_columns(const std::string& view, const std::vector<std::string>& names) {
    sqlite_stmt map(db_,
                    "INSERT INTO ocilite_columns(table_name, column_name, sqlite_name, column_id) VALUES(?,?,'',?)");
    for (size_t i = 0; i < names.size(); ++i) {
        map.bind(1, view).bind(2, names[i]).bind(3, static_cast<int64_t>(i + 1));
        map.step();
        map.reset();
    }
}

void catalog_writer::create_view(const view_def& v, int line) {
    clear_view(v, line);
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
    add_view_rows(v);
    add_view_columns(v.name, names);
}

void catalog_writer::create_unrunnable_view(const view_def& v, const std::string& reason, int line) {
    clear_view(v, line);
    add_view_rows(v);
    sqlite_stmt(db_, "INSERT INTO ocilite_unrunnable_views(view_name, reason) VALUES(?,?)")
        .bind(1, v.name)
        .bind(2, reason)
        .step();
    add_view_columns(v.name, v.columns);
}

}  // namespace ocilite
