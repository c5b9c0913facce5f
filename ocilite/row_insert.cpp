#include "ocilite/row_insert.h"

#include "ocilite/ora_errors.h"
#include "ocilite/plsql.h"
#include "ocilite/sequences.h"
#include "ocilite/session_state.h"
#include "ocilite/sql_parser.h"
#include "ocilite/stored_code.h"

namespace ocilite {

struct row_inserter::identity {
    size_t column;
    std::string sequence;
    bool on_null;
};

struct row_inserter::trigger {
    table_trigger def;
    std::string when_text;
    std::vector<token> when_tokens;
    plsql_program body;
};

struct row_inserter::foreign_key {
    std::string name;
    std::vector<size_t> columns;  // indexes into the row
    std::unique_ptr<sqlite_stmt> probe;
};

row_inserter::row_inserter(sqlite3* db, stored_table table, const std::vector<std::string>& columns, int line,
                           block_host* host)
    : db_(db), table_(std::move(table)), owner_(schema_owner(db)), line_(line), host_(host) {
    size_t n = table_.columns.size();
    listed_.assign(n, false);
    if (columns.empty()) {
        for (size_t i = 0; i < n; ++i) targets_.push_back(i);
    } else {
        for (const auto& name : columns) {
            size_t i = 0;
            while (i < n && table_.columns[i].name != name) ++i;
            if (i == n) raise_invalid_identifier(name, line);
            if (listed_[i]) raise_ora(957, "duplicate column name", line);
            listed_[i] = true;
            targets_.push_back(i);
        }
    }
    for (size_t i : targets_) listed_[i] = true;
    defaults_.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const auto& text = table_.columns[i].default_text;
        if (listed_[i] || !text) continue;
        std::vector<token> tokens = tokenize(*text);
        sql_parser p(tokens);
        expr_ptr e = p.expression();
        defaults_[i] = std::make_unique<compiled_expr>(compiled_expr::compile(*e));
    }
    std::string sql = "INSERT INTO " + table_.sqlite_name + "(";
    std::string params;
    for (size_t i = 0; i < n; ++i) {
        sql += (i ? ", " : "") + table_.columns[i].sqlite_name;
        params += i ? ", ?" : "?";
    }
    insert_ = std::make_unique<sqlite_stmt>(db_, sql + ") VALUES(" + params + ")");
    row_.resize(n);

    // Foreign keys of this table, each with a prepared probe of its parent key.
    sqlite_stmt fks(db_,
                    "SELECT a.CONSTRAINT_NAME, a.R_CONSTRAINT_NAME FROM USER_CONSTRAINTS a "
                    "WHERE a.TABLE_NAME=? AND a.CONSTRAINT_TYPE='R' AND a.STATUS='ENABLED'");
    fks.bind(1, table_.name);
    while (fks.step()) {
        auto fk = std::make_unique<foreign_key>();
        fk->name = fks.text(0);
        std::string parent_key = fks.text(1);
        sqlite_stmt cols(db_, "SELECT COLUMN_NAME FROM USER_CONS_COLUMNS WHERE CONSTRAINT_NAME=? ORDER BY POSITION");
        cols.bind(1, fk->name);
        while (cols.step()) {
            std::string c = cols.text(0);
            for (size_t i = 0; i < n; ++i)
                if (table_.columns[i].name == c) fk->columns.push_back(i);
        }
        sqlite_stmt pk(
            db_, "SELECT TABLE_NAME, COLUMN_NAME FROM USER_CONS_COLUMNS WHERE CONSTRAINT_NAME=? ORDER BY POSITION");
        pk.bind(1, parent_key);
        std::string where, parent_sqlite;
        int k = 0;
        while (pk.step()) {
            std::optional<stored_table> parent = find_table(db_, pk.text(0));
            if (!parent) continue;
            parent_sqlite = parent->sqlite_name;
            const stored_column* pc = parent->find(pk.text(1));
            if (!pc) continue;
            where += (k ? " AND " : "") + pc->sqlite_name + " = ?" + std::to_string(k + 1);
            ++k;
        }
        if (parent_sqlite.empty()) continue;
        fk->probe =
            std::make_unique<sqlite_stmt>(db_, "SELECT 1 FROM " + parent_sqlite + " WHERE " + where + " LIMIT 1");
        foreign_keys_.push_back(std::move(fk));
    }

    sqlite_stmt ids(db_, "SELECT column_name, sequence_name, always, on_null FROM ocilite_identity WHERE table_name=?");
    ids.bind(1, table_.name);
    while (ids.step()) {
        for (size_t i = 0; i < n; ++i) {
            if (table_.columns[i].name != ids.text(0)) continue;
            if (ids.integer(2) && !columns.empty() && listed_[i])
                raise_ora(32795, "cannot insert into a generated always identity column", line);
            if (ids.integer(2) && columns.empty())
                raise_ora(32795, "cannot insert into a generated always identity column", line);
            identities_.push_back(std::make_unique<identity>(identity{i, ids.text(1), ids.integer(3) != 0}));
        }
    }
    for (auto& t : insert_triggers(db_, table_.name)) {
        auto tr = std::make_unique<trigger>();
        if (!t.row_level) raise_unsupported("statement-level trigger " + t.name, line);
        if (!host_) raise_unsupported("trigger " + t.name + " outside a statement run", line);
        std::vector<token> body = tokenize(t.body);
        try {
            tr->body = plsql_program::parse(body, 0, body.size() - 1, t.body);
        } catch (const sql_error& e) {
            raise_unsupported("trigger " + t.name + " (" + e.message + ")", line);
        }
        tr->when_text = t.when;
        tr->def = std::move(t);
        if (!tr->when_text.empty()) tr->when_tokens = tokenize(tr->when_text);
        triggers_.push_back(std::move(tr));
    }
}

void row_inserter::fire(bool before, std::vector<ora_value>& row) {
    for (const auto& t : triggers_) {
        if (t->def.before != before) continue;
        plsql_scope scope;
        if (!t->when_tokens.empty()) {
            plsql_scope when;
            for (size_t i = 0; i < row.size(); ++i) {
                when.declare("NEW." + table_.columns[i].name, row[i]);
                when.declare("OLD." + table_.columns[i].name, {});
            }
            sql_parser p(t->when_tokens);
            ora_value v = compiled_expr::compile(*p.expression(), &when).eval(host_->context());
            if (v.is_null() || v.integer == 0) continue;
        }
        for (size_t i = 0; i < row.size(); ++i) {
            scope.declare(":NEW." + table_.columns[i].name, row[i]);
            scope.declare(":OLD." + table_.columns[i].name, {});
        }
        try {
            t->body.run(*host_, scope);
        } catch (sql_error& e) {
            if (e.code != 3001 && e.message.find("ORA-04088") == std::string::npos)
                e.message += "\nORA-04088: error during execution of trigger '" + owner_ + "." + t->def.name + "'";
            e.line = line_;
            throw;
        }
        if (before)
            for (size_t i = 0; i < row.size(); ++i) row[i] = scope.get(":NEW." + table_.columns[i].name);
    }
}

row_inserter::~row_inserter() = default;

void raise_unique_violation(sqlite3* db, const stored_table& table, const std::string& message, int line) {
    // SQLite names the columns: "UNIQUE constraint failed: t3.c1, t3.c2".
    std::vector<std::string> names;
    size_t p = message.find(": ");
    std::string list = p == std::string::npos ? std::string() : message.substr(p + 2);
    size_t start = 0;
    while (start < list.size()) {
        size_t comma = list.find(", ", start);
        std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        size_t dot = item.find('.');
        std::string c = dot == std::string::npos ? item : item.substr(dot + 1);
        for (const auto& col : table.columns)
            if (col.sqlite_name == c) names.push_back(col.name);
        if (comma == std::string::npos) break;
        start = comma + 2;
    }
    std::string found;
    sqlite_stmt idx(db,
                    "SELECT i.INDEX_NAME, c.COLUMN_NAME FROM USER_INDEXES i JOIN USER_IND_COLUMNS c"
                    " ON c.INDEX_NAME = i.INDEX_NAME WHERE i.TABLE_NAME=? ORDER BY i.INDEX_NAME, c.COLUMN_POSITION");
    idx.bind(1, table.name);
    std::string current;
    std::vector<std::string> cols;
    while (true) {
        bool more = idx.step();
        if (!more || idx.text(0) != current) {
            if (!current.empty() && cols == names) {
                found = current;
                break;
            }
            if (!more) break;
            current = idx.text(0);
            cols.clear();
        }
        cols.push_back(idx.text(1));
    }
    if (found.empty()) {
        // A key whose columns an older index already covered: name the constraint itself.
        sqlite_stmt cons(
            db, "SELECT CONSTRAINT_NAME FROM USER_CONSTRAINTS WHERE TABLE_NAME=? AND CONSTRAINT_TYPE IN ('P','U')");
        cons.bind(1, table.name);
        while (cons.step() && found.empty()) {
            sqlite_stmt cc(db, "SELECT COLUMN_NAME FROM USER_CONS_COLUMNS WHERE CONSTRAINT_NAME=? ORDER BY POSITION");
            cc.bind(1, cons.text(0));
            std::vector<std::string> k;
            while (cc.step()) k.push_back(cc.text(0));
            if (k == names) found = cons.text(0);
        }
    }
    raise_ora(1, "unique constraint (" + schema_owner(db) + "." + found + ") violated", line);
}

void row_inserter::raise_unique(const std::string& message) { raise_unique_violation(db_, table_, message, line_); }

void row_inserter::insert(const std::vector<ora_value>& values, const eval_context& ctx) {
    if (values.size() != targets_.size()) {
        raise_ora(values.size() < targets_.size() ? 947 : 913,
                  values.size() < targets_.size() ? "not enough values" : "too many values", line_);
    }
    size_t n = table_.columns.size();
    if (identities_.empty() && triggers_.empty()) {
        for (size_t i = 0; i < n; ++i) {
            if (listed_[i]) continue;
            ora_value v = defaults_[i] ? defaults_[i]->eval(ctx) : ora_value{};
            row_[i] = convert_for_column(v, table_.columns[i], owner_, table_.name);
        }
        for (size_t k = 0; k < values.size(); ++k) {
            size_t i = targets_[k];
            row_[i] = convert_for_column(values[k], table_.columns[i], owner_, table_.name);
        }
    } else {
        // Identity values and BEFORE triggers see (and may change) the row before it is converted.
        staged_.assign(n, ora_value{});
        for (size_t i = 0; i < n; ++i)
            if (!listed_[i] && defaults_[i]) staged_[i] = defaults_[i]->eval(ctx);
        for (size_t k = 0; k < values.size(); ++k) staged_[targets_[k]] = values[k];
        session_state* session = ctx.session ? ctx.session : &fallback_session_;
        for (const auto& id : identities_)
            if (!listed_[id->column] || (id->on_null && staged_[id->column].is_null()))
                staged_[id->column] = ora_value::from_int(sequence_next(db_, id->sequence, *session));
        fire(true, staged_);
        for (size_t i = 0; i < n; ++i) row_[i] = convert_for_column(staged_[i], table_.columns[i], owner_, table_.name);
    }
    sqlite3_stmt* st = insert_->get();
    sqlite3_reset(st);
    for (size_t i = 0; i < n; ++i) row_[i].bind(st, static_cast<int>(i + 1));
    int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) {
        std::string msg = sqlite3_errmsg(db_);
        sqlite3_reset(st);
        if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) raise_unique(msg);
        throw store_error{"insert into " + table_.name + ": " + msg};
    }
    sqlite3_reset(st);
    // Parent keys are checked after the row is in, so a row may reference itself.
    for (const auto& fk : foreign_keys_) {
        bool all = true;
        for (size_t c : fk->columns) all = all && row_[c].k != stored_value::kind::null;
        if (!all) continue;
        sqlite3_stmt* probe = fk->probe->get();
        sqlite3_reset(probe);
        for (size_t k = 0; k < fk->columns.size(); ++k) row_[fk->columns[k]].bind(probe, static_cast<int>(k + 1));
        int prc = sqlite3_step(probe);
        sqlite3_reset(probe);
        if (prc != SQLITE_ROW)
            raise_ora(2291, "integrity constraint (" + owner_ + "." + fk->name + ") violated - parent key not found",
                      line_);
    }
    if (!triggers_.empty()) fire(false, staged_);
}

}  // namespace ocilite
