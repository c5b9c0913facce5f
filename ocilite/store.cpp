#include "ocilite/store.h"

#include <cstdio>

#include "ocilite/catalog_views.h"

namespace ocilite {

namespace {
[[noreturn]] void fail(sqlite3* db, std::string_view what) {
    throw store_error{std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "out of memory")};
}
}  // namespace

sqlite_db::sqlite_db(const std::string& path, bool create) {
    int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = "cannot open " + path + ": " + (db_ ? sqlite3_errmsg(db_) : "out of memory");
        sqlite3_close(db_);
        db_ = nullptr;
        throw store_error{msg};
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, 5000);
}

sqlite_db::~sqlite_db() { sqlite3_close(db_); }

void sqlite_db::exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "error";
        sqlite3_free(err);
        throw store_error{msg};
    }
}

sqlite_stmt::sqlite_stmt(sqlite3* db, std::string_view sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &st_, nullptr) != SQLITE_OK)
        fail(db, "prepare");
}

sqlite_stmt::~sqlite_stmt() { sqlite3_finalize(st_); }

sqlite_stmt& sqlite_stmt::bind(int i, std::string_view text) {
    sqlite3_bind_text(st_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}
sqlite_stmt& sqlite_stmt::bind(int i, int64_t v) {
    sqlite3_bind_int64(st_, i, v);
    return *this;
}
sqlite_stmt& sqlite_stmt::bind_opt(int i, const std::optional<std::string>& text) {
    return text ? bind(i, std::string_view(*text)) : bind_null(i);
}
sqlite_stmt& sqlite_stmt::bind_opt(int i, std::optional<int> v) {
    return v ? bind(i, static_cast<int64_t>(*v)) : bind_null(i);
}
sqlite_stmt& sqlite_stmt::bind_null(int i) {
    sqlite3_bind_null(st_, i);
    return *this;
}

int sqlite_stmt::step_code() { return sqlite3_step(st_); }

bool sqlite_stmt::step() {
    int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    fail(db_, "step");
}

void sqlite_stmt::reset() {
    sqlite3_reset(st_);
    sqlite3_clear_bindings(st_);
}

std::string sqlite_stmt::text(int col) const {
    const unsigned char* p = sqlite3_column_text(st_, col);
    return p ? std::string(reinterpret_cast<const char*>(p), sqlite3_column_bytes(st_, col)) : std::string();
}
std::optional<std::string> sqlite_stmt::opt_text(int col) const {
    if (is_null(col)) return std::nullopt;
    return text(col);
}
int64_t sqlite_stmt::integer(int col) const { return sqlite3_column_int64(st_, col); }
std::optional<int> sqlite_stmt::opt_int(int col) const {
    if (is_null(col)) return std::nullopt;
    return static_cast<int>(integer(col));
}
bool sqlite_stmt::is_null(int col) const { return sqlite3_column_type(st_, col) == SQLITE_NULL; }

store_transaction::store_transaction(sqlite3* db) : db_(db) {
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) fail(db_, "begin");
}
store_transaction::~store_transaction() {
    if (!done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}
void store_transaction::commit() {
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) fail(db_, "commit");
    done_ = true;
}

std::string sqlite_quote(std::string_view text, char quote) {
    std::string out(1, quote);
    for (char c : text) {
        if (c == quote) out += quote;
        out += c;
    }
    return out + quote;
}

std::string sqlite_quote_name(std::string_view name) { return sqlite_quote(name, '"'); }

namespace {
std::string sqlite_type(const ora_column_type& t) { return t.kind == ora_kind::number ? "INTEGER" : "TEXT"; }

// Fixed rows of a catalog view, written when the view is still empty.
void fill_once(sqlite3* db, const std::string& view, const std::string& insert) {
    sqlite_stmt count(db, "SELECT COUNT(*) FROM " + sqlite_quote_name(view));
    count.step();
    if (count.integer(0) == 0) sqlite_stmt(db, insert).step();
}
}  // namespace

void create_store_schema(sqlite3* db) {
    std::string ddl =
        "CREATE TABLE IF NOT EXISTS ocilite_meta(key TEXT PRIMARY KEY, value TEXT);"
        "CREATE TABLE IF NOT EXISTS ocilite_users(username TEXT PRIMARY KEY, password TEXT);"
        "CREATE TABLE IF NOT EXISTS ocilite_tables(table_name TEXT PRIMARY KEY, sqlite_name TEXT NOT NULL UNIQUE);"
        "CREATE TABLE IF NOT EXISTS ocilite_columns(table_name TEXT NOT NULL, column_name TEXT NOT NULL,"
        " sqlite_name TEXT NOT NULL, column_id INTEGER NOT NULL, PRIMARY KEY(table_name, column_name));"
        "CREATE TABLE IF NOT EXISTS ocilite_identity(table_name TEXT NOT NULL, column_name TEXT NOT NULL,"
        " sequence_name TEXT NOT NULL, always INTEGER NOT NULL, on_null INTEGER NOT NULL,"
        " PRIMARY KEY(table_name, column_name));"
        "CREATE TABLE IF NOT EXISTS ocilite_sequences(name TEXT PRIMARY KEY, next_value INTEGER NOT NULL,"
        " increment INTEGER NOT NULL, min_value INTEGER NOT NULL, max_value INTEGER NOT NULL,"
        " cycle INTEGER NOT NULL, exhausted INTEGER NOT NULL DEFAULT 0);"
        "CREATE TABLE IF NOT EXISTS ocilite_unrunnable_views(view_name TEXT PRIMARY KEY, reason TEXT NOT NULL);"
        "CREATE TABLE IF NOT EXISTS ocilite_roles(role TEXT PRIMARY KEY);";
    for (const auto& v : catalog_views()) {
        ddl += "CREATE TABLE IF NOT EXISTS " + sqlite_quote_name(v.name) + "(";
        for (size_t i = 0; i < v.columns.size(); ++i) {
            if (i) ddl += ", ";
            ddl += sqlite_quote_name(v.columns[i].name) + " " + sqlite_type(v.columns[i].type);
        }
        ddl += ");";
    }
    char* err = nullptr;
    if (sqlite3_exec(db, ddl.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "error";
        sqlite3_free(err);
        throw store_error{"creating the store: " + msg};
    }
    if (!meta_value(db, "banner")) set_meta_value(db, "banner", default_banner);
    if (!meta_value(db, "version")) set_meta_value(db, "version", default_version);
    {
        sqlite_stmt count(db, "SELECT COUNT(*) FROM \"V$VERSION\"");
        count.step();
        if (count.integer(0) == 0) {
            sqlite_stmt ins(db, "INSERT INTO \"V$VERSION\"(BANNER) SELECT value FROM ocilite_meta WHERE key='banner'");
            ins.step();
        }
    }
    fill_once(db, "DBA_TABLESPACES",
              "INSERT INTO DBA_TABLESPACES VALUES('SYSTEM','ONLINE','PERMANENT'),('SYSAUX','ONLINE','PERMANENT'),"
              "('TEMP','ONLINE','TEMPORARY'),('USERS','ONLINE','PERMANENT')");
    fill_once(db, "DATABASE_PROPERTIES",
              "INSERT INTO DATABASE_PROPERTIES VALUES"
              "('DEFAULT_PERMANENT_TABLESPACE','USERS','Name of default permanent tablespace'),"
              "('DEFAULT_TEMP_TABLESPACE','TEMP','Name of default temporary tablespace'),"
              "('NLS_LANGUAGE','AMERICAN','Language'),('NLS_TERRITORY','AMERICA','Territory'),"
              "('NLS_CHARACTERSET','AL32UTF8','Character set'),"
              "('NLS_NCHAR_CHARACTERSET','AL16UTF16','NCHAR Character set')");
    sqlite_stmt dual(db, "SELECT COUNT(*) FROM DUAL");
    dual.step();
    if (dual.integer(0) == 0) sqlite_stmt(db, "INSERT INTO DUAL(DUMMY) VALUES('X')").step();
}

std::optional<std::string> meta_value(sqlite3* db, const std::string& key) {
    sqlite_stmt st(db, "SELECT value FROM ocilite_meta WHERE key=?");
    st.bind(1, key);
    if (!st.step()) return std::nullopt;
    return st.opt_text(0);
}

void set_meta_value(sqlite3* db, const std::string& key, const std::string& value) {
    sqlite_stmt st(db,
                   "INSERT INTO ocilite_meta(key, value) VALUES(?, ?) "
                   "ON CONFLICT(key) DO UPDATE SET value=excluded.value");
    st.bind(1, key).bind(2, value);
    st.step();
}

const stored_column* stored_table::find(const std::string& column) const {
    for (const auto& c : columns)
        if (c.name == column) return &c;
    return nullptr;
}

std::optional<stored_table> find_table(sqlite3* db, const std::string& oracle_name) {
    sqlite_stmt t(db, "SELECT sqlite_name FROM ocilite_tables WHERE table_name=?");
    t.bind(1, oracle_name);
    if (!t.step()) return std::nullopt;
    stored_table out;
    out.name = oracle_name;
    out.sqlite_name = t.text(0);
    sqlite_stmt c(db,
                  "SELECT c.column_name, c.sqlite_name, c.column_id, u.DATA_TYPE, u.DATA_LENGTH, u.DATA_PRECISION,"
                  " u.DATA_SCALE, u.CHAR_LENGTH, u.CHAR_USED, u.NULLABLE, u.DATA_DEFAULT"
                  " FROM ocilite_columns c JOIN USER_TAB_COLUMNS u"
                  " ON u.TABLE_NAME = c.table_name AND u.COLUMN_NAME = c.column_name"
                  " WHERE c.table_name=? ORDER BY c.column_id");
    c.bind(1, oracle_name);
    while (c.step()) {
        stored_column col;
        col.name = c.text(0);
        col.sqlite_name = c.text(1);
        col.column_id = static_cast<int>(c.integer(2));
        col.type = ora_column_type::from_catalog(c.text(3), static_cast<int>(c.integer(4)), c.opt_int(5), c.opt_int(6),
                                                 static_cast<int>(c.integer(7)), c.text(8));
        col.nullable = c.text(9) != "N";
        col.default_text = c.opt_text(10);
        out.columns.push_back(std::move(col));
    }
    return out;
}

std::string schema_owner(sqlite3* db) { return meta_value(db, "owner").value_or(""); }

bool is_user(sqlite3* db, const std::string& name) {
    sqlite_stmt st(db, "SELECT 1 FROM ocilite_users WHERE username=?");
    st.bind(1, name);
    return st.step();
}

bool is_role(sqlite3* db, const std::string& name) {
    // A store made before roles were kept has none.
    sqlite_stmt exists(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name='ocilite_roles'");
    if (!exists.step()) return false;
    sqlite_stmt st(db, "SELECT 1 FROM ocilite_roles WHERE role=?");
    st.bind(1, name);
    return st.step();
}

bool is_grantee(sqlite3* db, const std::string& name) {
    static const char* const built_in[] = {"PUBLIC",
                                           "SYS",
                                           "SYSTEM",
                                           "ADMIN",
                                           "CONNECT",
                                           "RESOURCE",
                                           "DBA",
                                           "SELECT_CATALOG_ROLE",
                                           "EXECUTE_CATALOG_ROLE",
                                           "EXP_FULL_DATABASE",
                                           "IMP_FULL_DATABASE",
                                           "DATAPUMP_EXP_FULL_DATABASE",
                                           "DATAPUMP_IMP_FULL_DATABASE",
                                           "AQ_ADMINISTRATOR_ROLE",
                                           "AQ_USER_ROLE",
                                           "SCHEDULER_ADMIN",
                                           "SODA_APP"};
    for (const char* b : built_in)
        if (name == b) return true;
    return is_user(db, name) || is_role(db, name);
}

std::string next_system_name(sqlite3* db) {
    int n = 10000;
    if (auto v = meta_value(db, "next_sys_c")) n = std::atoi(v->c_str());
    set_meta_value(db, "next_sys_c", std::to_string(n + 1));
    char buf[32];
    std::snprintf(buf, sizeof buf, "SYS_C%07d", n);
    return buf;
}

bool object_name_used(sqlite3* db, const std::string& name) {
    sqlite_stmt st(db,
                   "SELECT 1 FROM ocilite_tables WHERE table_name=?1 UNION ALL "
                   "SELECT 1 FROM ALL_VIEWS WHERE VIEW_NAME=?1 UNION ALL "
                   "SELECT 1 FROM USER_OBJECTS WHERE OBJECT_NAME=?1 AND OBJECT_TYPE IN "
                   "('SEQUENCE','PROCEDURE','FUNCTION','PACKAGE','TYPE','SYNONYM')");
    st.bind(1, name);
    return st.step();
}

}  // namespace ocilite
