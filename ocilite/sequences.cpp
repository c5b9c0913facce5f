#include "ocilite/sequences.h"

#include <algorithm>
#include <limits>

#include "ocilite/ora_errors.h"
#include "ocilite/store.h"

namespace ocilite {

namespace {

constexpr const char* default_ascending_max = "9999999999999999999999999999";
constexpr const char* default_descending_min = "-999999999999999999999999999";

// A bound or step as int64: values beyond int64 stand for "no practical limit".
int64_t clamp(const ora_number& n) {
    if (auto v = n.truncated(0).to_int64()) return *v;
    return n.negative() ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
}

ora_number signed_number(sql_parser& p) {
    bool negative = p.accept_symbol("-");
    if (!negative) p.accept_symbol("+");
    const token& t = p.peek();
    if (t.kind != token_kind::number) raise_ora(2017, "integer value required", t.line);
    auto n = ora_number::parse(t.text);
    p.next();
    if (!n) raise_invalid_number(t.line);
    return negative ? n->negated() : *n;
}

// Oracle keeps a sequence's numbers in 28 digits (27 for negative ones): ORA-04003 beyond.
ora_number sequence_parameter(sql_parser& p, const char* parameter) {
    const int line = p.peek().line;
    ora_number n = signed_number(p);
    const int digits = n.negative() ? 27 : 28;
    if (n.integer_digits() > digits)
        raise_ora(4003,
                  std::string("sequence parameter ") + parameter + " exceeds maximum size allowed (" +
                      std::to_string(digits) + " digits)",
                  line);
    return n;
}

struct working {
    int64_t next = 1, increment = 1, min = 1, max = std::numeric_limits<int64_t>::max();
    bool cycle = false;
};

}  // namespace

sequence_options parse_sequence_options(sql_parser& p) {
    sequence_options o;
    while (!p.at_end()) {
        int line = p.peek().line;
        if (p.accept_word("INCREMENT")) {
            p.expect_word("BY");
            o.increment = sequence_parameter(p, "INCREMENT BY");
        } else if (p.accept_word("START")) {
            p.expect_word("WITH");
            o.start = sequence_parameter(p, "START WITH");
        } else if (p.accept_word("MAXVALUE")) {
            o.max_value = sequence_parameter(p, "MAXVALUE");
        } else if (p.accept_word("MINVALUE")) {
            o.min_value = sequence_parameter(p, "MINVALUE");
        } else if (p.accept_word("NOMAXVALUE")) {
            o.no_max = true;
        } else if (p.accept_word("NOMINVALUE")) {
            o.no_min = true;
        } else if (p.accept_word("CACHE")) {
            o.cache = signed_number(p);
        } else if (p.accept_word("NOCACHE")) {
            o.no_cache = true;
        } else if (p.accept_word("CYCLE")) {
            o.cycle = true;
        } else if (p.accept_word("NOCYCLE")) {
            o.cycle = false;
        } else if (p.accept_word("ORDER")) {
            o.order = true;
        } else if (p.accept_word("NOORDER")) {
            o.order = false;
        } else if (p.accept_word("RESTART")) {
            o.restart = true;
        } else if (p.accept_word("KEEP") || p.accept_word("NOKEEP") || p.accept_word("SCALE") ||
                   p.accept_word("NOSCALE") || p.accept_word("SESSION") || p.accept_word("GLOBAL") ||
                   p.accept_word("EXTEND") || p.accept_word("NOEXTEND") || p.accept_word("NOSHARD")) {
            // Instance and RAC behaviour: nothing to keep in a one-session store.
        } else {
            raise_not_ended(line);
        }
    }
    return o;
}

bool sequence_exists(sqlite3* db, const std::string& name) {
    sqlite_stmt st(db, "SELECT 1 FROM ocilite_sequences WHERE name=?");
    st.bind(1, name);
    return st.step();
}

void create_sequence(sqlite3* db, const std::string& name, const sequence_options& o, int line,
                     const std::string& object_type) {
    if (object_name_used(db, name)) raise_ora(955, "name is already used by an existing object", line);
    ora_number increment = o.increment.value_or(ora_number::from_int(1));
    if (increment.is_zero() || !increment.is_integral()) raise_ora(4002, "INCREMENT must be a non-zero integer", line);
    bool ascending = !increment.negative();
    ora_number max_text = o.max_value && !o.no_max
                              ? *o.max_value
                              : (ascending ? *ora_number::parse(default_ascending_max) : ora_number::from_int(-1));
    ora_number min_text = o.min_value && !o.no_min
                              ? *o.min_value
                              : (ascending ? ora_number::from_int(1) : *ora_number::parse(default_descending_min));
    working w;
    w.increment = clamp(increment);
    w.min = clamp(min_text);
    w.max = clamp(max_text);
    if (w.min >= w.max) raise_ora(4004, "MINVALUE must be less than MAXVALUE", line);
    w.next = o.start ? clamp(*o.start) : (ascending ? w.min : w.max);
    if (w.next < w.min) raise_ora(4006, "START WITH cannot be less than MINVALUE", line);
    if (w.next > w.max) raise_ora(4008, "START WITH cannot be more than MAXVALUE", line);
    w.cycle = o.cycle.value_or(false);
    int64_t cache = o.no_cache ? 0 : (o.cache ? clamp(*o.cache) : 20);
    if (!o.no_cache && o.cache && cache < 2)
        raise_ora(4010, "the number of values to CACHE must be greater than 1", line);

    sqlite_stmt(db,
                "INSERT INTO ocilite_sequences(name, next_value, increment, min_value, max_value, cycle)"
                " VALUES(?,?,?,?,?,?)")
        .bind(1, name)
        .bind(2, w.next)
        .bind(3, w.increment)
        .bind(4, w.min)
        .bind(5, w.max)
        .bind(6, static_cast<int64_t>(w.cycle))
        .step();
    sqlite_stmt(db,
                "INSERT INTO USER_SEQUENCES(SEQUENCE_NAME, MIN_VALUE, MAX_VALUE, INCREMENT_BY, CYCLE_FLAG, ORDER_FLAG,"
                " CACHE_SIZE, LAST_NUMBER) VALUES(?,?,?,?,?,?,?,?)")
        .bind(1, name)
        .bind(2, min_text.to_string())
        .bind(3, max_text.to_string())
        .bind(4, w.increment)
        .bind(5, w.cycle ? "Y" : "N")
        .bind(6, o.order.value_or(false) ? "Y" : "N")
        .bind(7, cache)
        .bind(8, w.next)
        .step();
    sqlite_stmt(db, "INSERT INTO USER_OBJECTS(OBJECT_NAME, OBJECT_TYPE, STATUS) VALUES(?, ?, 'VALID')")
        .bind(1, name)
        .bind(2, object_type)
        .step();
}

void alter_sequence(sqlite3* db, const std::string& name, const sequence_options& o, int line) {
    if (!sequence_exists(db, name)) raise_ora(2289, "sequence does not exist", line);
    sqlite_stmt st(db, "SELECT next_value, increment, min_value, max_value, cycle FROM ocilite_sequences WHERE name=?");
    st.bind(1, name);
    st.step();
    working w{st.integer(0), st.integer(1), st.integer(2), st.integer(3), st.integer(4) != 0};
    if (o.increment) {
        if (o.increment->is_zero() || !o.increment->is_integral())
            raise_ora(4002, "INCREMENT must be a non-zero integer", line);
        w.increment = clamp(*o.increment);
    }
    if (o.max_value) w.max = clamp(*o.max_value);
    if (o.no_max) w.max = w.increment > 0 ? std::numeric_limits<int64_t>::max() : -1;
    if (o.min_value) w.min = clamp(*o.min_value);
    if (o.no_min) w.min = w.increment > 0 ? 1 : std::numeric_limits<int64_t>::min();
    if (o.cycle) w.cycle = *o.cycle;
    if (o.restart) w.next = o.start ? clamp(*o.start) : (w.increment > 0 ? w.min : w.max);
    if (w.min >= w.max) raise_ora(4004, "MINVALUE must be less than MAXVALUE", line);
    sqlite_stmt(db,
                "UPDATE ocilite_sequences SET next_value=?, increment=?, min_value=?, max_value=?, cycle=?,"
                " exhausted=0 WHERE name=?")
        .bind(1, w.next)
        .bind(2, w.increment)
        .bind(3, w.min)
        .bind(4, w.max)
        .bind(5, static_cast<int64_t>(w.cycle))
        .bind(6, name)
        .step();
    sqlite_stmt u(db,
                  "UPDATE USER_SEQUENCES SET INCREMENT_BY=?, CYCLE_FLAG=?, LAST_NUMBER=?,"
                  " MIN_VALUE=coalesce(?, MIN_VALUE), MAX_VALUE=coalesce(?, MAX_VALUE) WHERE SEQUENCE_NAME=?");
    u.bind(1, w.increment).bind(2, w.cycle ? "Y" : "N").bind(3, w.next);
    u.bind_opt(4, o.min_value ? std::optional<std::string>(o.min_value->to_string()) : std::nullopt);
    u.bind_opt(5, o.max_value ? std::optional<std::string>(o.max_value->to_string()) : std::nullopt);
    u.bind(6, name).step();
}

void drop_sequence(sqlite3* db, const std::string& name, int line) {
    if (!sequence_exists(db, name)) raise_ora(2289, "sequence does not exist", line);
    sqlite_stmt(db, "DELETE FROM ocilite_sequences WHERE name=?").bind(1, name).step();
    sqlite_stmt(db, "DELETE FROM USER_SEQUENCES WHERE SEQUENCE_NAME=?").bind(1, name).step();
    sqlite_stmt(db, "DELETE FROM USER_OBJECTS WHERE OBJECT_NAME=? AND OBJECT_TYPE='SEQUENCE'").bind(1, name).step();
}

int64_t sequence_next(sqlite3* db, const std::string& name, session_state& session) {
    sqlite_stmt st(db,
                   "SELECT next_value, increment, min_value, max_value, cycle, exhausted FROM ocilite_sequences"
                   " WHERE name=?");
    st.bind(1, name);
    if (!st.step()) raise_ora(2289, "sequence does not exist");
    int64_t value = st.integer(0), increment = st.integer(1), min = st.integer(2), max = st.integer(3);
    bool cycle = st.integer(4) != 0, exhausted = st.integer(5) != 0;
    if (exhausted || value > max || value < min) {
        if (!cycle)
            raise_ora(8004, "sequence " + name + ".NEXTVAL " +
                                (increment > 0 ? "exceeds MAXVALUE" : "goes below MINVALUE") +
                                " and cannot be instantiated");
        value = increment > 0 ? min : max;
    }
    int64_t next = 0;
    bool overflow = __builtin_add_overflow(value, increment, &next);
    sqlite_stmt(db, "UPDATE ocilite_sequences SET next_value=?, exhausted=? WHERE name=?")
        .bind(1, overflow ? value : next)
        .bind(2, static_cast<int64_t>(overflow))
        .bind(3, name)
        .step();
    sqlite_stmt(db, "UPDATE USER_SEQUENCES SET LAST_NUMBER=? WHERE SEQUENCE_NAME=?")
        .bind(1, overflow ? value : next)
        .bind(2, name)
        .step();
    session.currval[name] = value;
    return value;
}

int64_t sequence_current(sqlite3* db, const std::string& name, const session_state& session) {
    if (!sequence_exists(db, name)) raise_ora(2289, "sequence does not exist");
    auto it = session.currval.find(name);
    if (it == session.currval.end())
        raise_ora(8002, "sequence " + name + ".CURRVAL is not yet defined in this session");
    return it->second;
}

void sequence_restart_after(sqlite3* db, const std::string& name, std::optional<int64_t> highest) {
    sqlite_stmt st(db, "SELECT increment, min_value, max_value FROM ocilite_sequences WHERE name=?");
    st.bind(1, name);
    if (!st.step()) return;
    int64_t increment = st.integer(0), min = st.integer(1), max = st.integer(2);
    int64_t next = increment > 0 ? min : max;
    if (highest) {
        int64_t n = 0;
        if (!__builtin_add_overflow(*highest, increment, &n))
            next = increment > 0 ? std::max(n, min) : std::min(n, max);
    }
    sqlite_stmt(db, "UPDATE ocilite_sequences SET next_value=?, exhausted=0 WHERE name=?")
        .bind(1, next)
        .bind(2, name)
        .step();
    sqlite_stmt(db, "UPDATE USER_SEQUENCES SET LAST_NUMBER=? WHERE SEQUENCE_NAME=?").bind(1, next).bind(2, name).step();
}

}  // namespace ocilite
