#include "ocilite/stored_code.h"

#include "ocilite/ora_errors.h"
#include "ocilite/sql_parser.h"
#include "ocilite/store.h"

namespace ocilite {

namespace {

std::string text_of(const std::vector<token>& t, std::string_view source, size_t first, size_t last) {
    if (last <= first) return {};
    return std::string(source.substr(t[first].begin, t[last - 1].end - t[first].begin));
}

bool object_exists(sqlite3* db, const std::string& name, const std::string& type) {
    sqlite_stmt st(db, "SELECT 1 FROM USER_OBJECTS WHERE OBJECT_NAME=? AND OBJECT_TYPE=?");
    st.bind(1, name).bind(2, type);
    return st.step();
}

void remove_object(sqlite3* db, const std::string& name, const std::string& type) {
    sqlite_stmt(db, "DELETE FROM USER_OBJECTS WHERE OBJECT_NAME=? AND OBJECT_TYPE=?")
        .bind(1, name)
        .bind(2, type)
        .step();
    sqlite_stmt(db, "DELETE FROM USER_SOURCE WHERE NAME=? AND TYPE=?").bind(1, name).bind(2, type).step();
    if (type == "TRIGGER") sqlite_stmt(db, "DELETE FROM USER_TRIGGERS WHERE TRIGGER_NAME=?").bind(1, name).step();
}

void store_source(sqlite3* db, const std::string& name, const std::string& type, const std::string& text) {
    sqlite_stmt(db, "INSERT INTO USER_OBJECTS(OBJECT_NAME, OBJECT_TYPE, STATUS) VALUES(?, ?, 'VALID')")
        .bind(1, name)
        .bind(2, type)
        .step();
    sqlite_stmt line(db, "INSERT INTO USER_SOURCE(NAME, TYPE, LINE, TEXT) VALUES(?, ?, ?, ?)");
    size_t start = 0;
    int64_t n = 1;
    while (start <= text.size()) {
        size_t nl = text.find('\n', start);
        std::string one = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start + 1);
        if (one.empty()) break;
        line.bind(1, name).bind(2, type).bind(3, n++).bind(4, one);
        line.step();
        line.reset();
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
}

struct trigger_header {
    std::string timing;  // BEFORE, AFTER, INSTEAD OF
    std::string events;  // INSERT OR UPDATE ...
    std::string table;
    bool row_level = false;
    bool enabled = true;
    std::string when;
    size_t description_end = 0;  // token index where the description ends
    size_t body = 0;             // token index of the body
};

trigger_header read_trigger_header(sql_parser& p, const std::vector<token>& t, std::string_view source,
                                   const name_context& names) {
    trigger_header h;
    if (p.accept_word("BEFORE")) {
        h.timing = "BEFORE";
    } else if (p.accept_word("AFTER")) {
        h.timing = "AFTER";
    } else if (p.accept_word("INSTEAD")) {
        p.expect_word("OF");
        h.timing = "INSTEAD OF";
    } else if (p.peek().is_word("FOR")) {
        h.timing = "COMPOUND";
    } else {
        raise_ora(969, "missing ON keyword", p.peek().line);
    }
    if (h.timing != "COMPOUND") {
        do {
            const token& e = p.peek();
            if (!e.is_word("INSERT") && !e.is_word("UPDATE") && !e.is_word("DELETE"))
                raise_ora(969, "missing ON keyword", e.line);
            h.events += (h.events.empty() ? "" : " OR ") + p.next().text;
            if (p.accept_word("OF")) {
                do {
                    p.identifier();
                } while (p.accept_symbol(","));
            }
        } while (p.accept_word("OR"));
    } else {
        p.next();
        while (!p.peek().is_word("ON") && p.peek().kind != token_kind::end) {
            h.events += (h.events.empty() ? "" : " OR ") + p.next().text;
        }
    }
    p.expect_word("ON");
    h.table = parse_object_name(p, names);
    if (p.accept_word("REFERENCING")) {
        while (p.peek().is_word("NEW") || p.peek().is_word("OLD") || p.peek().is_word("PARENT")) {
            p.next();
            p.accept_word("AS");
            p.identifier();
        }
    }
    if (p.accept_word("FOR")) {
        p.expect_word("EACH");
        p.expect_word("ROW");
        h.row_level = true;
    }
    while (p.peek().is_word("FOLLOWS") || p.peek().is_word("PRECEDES")) {
        p.next();
        do {
            parse_object_name(p, names);
        } while (p.accept_symbol(","));
    }
    if (p.accept_word("DISABLE")) h.enabled = false;
    p.accept_word("ENABLE");
    h.description_end = p.position();
    if (p.accept_word("WHEN")) {
        p.expect_symbol("(");
        size_t first = p.position();
        p.expression();
        h.when = text_of(t, source, first, p.position());
        p.expect_symbol(")");
    }
    h.body = p.position();
    return h;
}

const char* trigger_type(const trigger_header& h) {
    if (h.timing == "INSTEAD OF") return "INSTEAD OF";
    if (h.timing == "COMPOUND") return "COMPOUND";
    if (h.timing == "BEFORE") return h.row_level ? "BEFORE EACH ROW" : "BEFORE STATEMENT";
    return h.row_level ? "AFTER EACH ROW" : "AFTER STATEMENT";
}

}  // namespace

void create_stored_code(sqlite3* db, const std::vector<token>& tokens, size_t begin, size_t end,
                        std::string_view source, bool or_replace, int line, const name_context& names) {
    sql_parser p(tokens, begin);
    std::string type = p.next().text;
    if ((type == "PACKAGE" || type == "TYPE") && p.accept_word("BODY")) type += " BODY";
    if (type == "JAVA") {
        while (!p.peek().is_word("SOURCE") && !p.peek().is_word("CLASS") && p.position() < end) p.next();
        raise_unsupported("Java stored procedures", line);
    }
    std::string name = parse_object_name(p, names);
    std::string text = text_of(tokens, source, begin, end);
    bool exists = object_exists(db, name, type);
    if (type == "TRIGGER") {
        if (exists && !or_replace) raise_ora(4081, "trigger '" + name + "' already exists", line);
        trigger_header h = read_trigger_header(p, tokens, source, names);
        if (!find_table(db, h.table)) raise_no_table(line);
        if (exists) remove_object(db, name, type);
        store_source(db, name, type, text);
        sqlite_stmt(db,
                    "INSERT INTO USER_TRIGGERS(TRIGGER_NAME, TRIGGER_TYPE, TRIGGERING_EVENT, TABLE_OWNER,"
                    " BASE_OBJECT_TYPE, TABLE_NAME, WHEN_CLAUSE, STATUS, DESCRIPTION, TRIGGER_BODY)"
                    " VALUES(?, ?, ?, ?, 'TABLE', ?, ?, ?, ?, ?)")
            .bind(1, name)
            .bind(2, trigger_type(h))
            .bind(3, h.events)
            .bind(4, schema_owner(db))
            .bind(5, h.table)
            .bind_opt(6, h.when.empty() ? std::nullopt : std::optional<std::string>(h.when))
            .bind(7, h.enabled ? "ENABLED" : "DISABLED")
            .bind(8, text_of(tokens, source, begin + 1, h.description_end))
            .bind(9, text_of(tokens, source, h.body, end))
            .step();
        return;
    }
    if (exists && !or_replace) raise_ora(955, "name is already used by an existing object", line);
    if (!exists && (type == "PROCEDURE" || type == "FUNCTION" || type == "PACKAGE" || type == "TYPE") &&
        object_name_used(db, name))
        raise_ora(955, "name is already used by an existing object", line);
    if (exists) remove_object(db, name, type);
    store_source(db, name, type, text);
}

void alter_trigger(sqlite3* db, const std::string& name, const std::string& action, int line) {
    if (!object_exists(db, name, "TRIGGER")) raise_ora(4080, "trigger '" + name + "' does not exist", line);
    if (action == "ENABLE" || action == "DISABLE")
        sqlite_stmt(db, "UPDATE USER_TRIGGERS SET STATUS=? WHERE TRIGGER_NAME=?")
            .bind(1, action == "ENABLE" ? "ENABLED" : "DISABLED")
            .bind(2, name)
            .step();
}

void drop_stored_code(sqlite3* db, const std::string& type, const std::string& name, int line) {
    if (!object_exists(db, name, type)) {
        if (type == "TRIGGER") raise_ora(4080, "trigger '" + name + "' does not exist", line);
        raise_ora(4043, "object " + name + " does not exist", line);
    }
    remove_object(db, name, type);
    if (type == "PACKAGE" || type == "TYPE") remove_object(db, name, type + " BODY");
}

void drop_table_triggers(sqlite3* db, const std::string& table) {
    std::vector<std::string> names;
    {
        sqlite_stmt st(db, "SELECT TRIGGER_NAME FROM USER_TRIGGERS WHERE TABLE_NAME=?");
        st.bind(1, table);
        while (st.step()) names.push_back(st.text(0));
    }
    for (const auto& n : names) remove_object(db, n, "TRIGGER");
}

std::vector<table_trigger> insert_triggers(sqlite3* db, const std::string& table) {
    std::vector<table_trigger> out;
    sqlite_stmt st(db,
                   "SELECT TRIGGER_NAME, TRIGGER_TYPE, TRIGGERING_EVENT, WHEN_CLAUSE, TRIGGER_BODY FROM USER_TRIGGERS"
                   " WHERE TABLE_NAME=? AND STATUS='ENABLED' ORDER BY rowid");
    st.bind(1, table);
    while (st.step()) {
        std::string events = " " + st.text(2) + " ";
        if (events.find(" INSERT ") == std::string::npos) continue;
        table_trigger t;
        t.name = st.text(0);
        std::string kind = st.text(1);
        t.before = kind.rfind("BEFORE", 0) == 0;
        t.row_level = kind.find("EACH ROW") != std::string::npos;
        if (kind == "COMPOUND" || kind == "INSTEAD OF") t.row_level = false;
        t.when = st.text(3);
        t.body = st.text(4);
        out.push_back(std::move(t));
    }
    return out;
}

}  // namespace ocilite
