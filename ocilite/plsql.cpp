#include "ocilite/plsql.h"

#include <functional>

#include "compat/text/text.h"
#include "ocilite/ora_errors.h"
#include "ocilite/sql_parser.h"

namespace ocilite {

bool plsql_scope::has(const std::string& key) const {
    for (const plsql_scope* s = this; s; s = s->parent_)
        if (s->vars_.count(key)) return true;
    return false;
}

ora_value plsql_scope::get(const std::string& key) const {
    for (const plsql_scope* s = this; s; s = s->parent_) {
        auto it = s->vars_.find(key);
        if (it != s->vars_.end()) return it->second;
    }
    return {};
}

void plsql_scope::set(const std::string& key, ora_value v) {
    for (plsql_scope* s = this; s; s = s->parent_) {
        auto it = s->vars_.find(key);
        if (it != s->vars_.end()) {
            it->second = std::move(v);
            return;
        }
    }
    raise_ora(6550, "identifier '" + key + "' must be declared");
}

namespace {

struct range {
    size_t b = 0, e = 0;  // tokens [b, e)
};

// Predefined exceptions by name, as their Oracle error numbers.
int predefined_exception(const std::string& name) {
    static const std::map<std::string, int> codes = {
        {"NO_DATA_FOUND", 1403},  {"TOO_MANY_ROWS", 1422}, {"DUP_VAL_ON_INDEX", 1},  {"ZERO_DIVIDE", 1476},
        {"INVALID_NUMBER", 1722}, {"VALUE_ERROR", 6502},   {"INVALID_CURSOR", 1001}, {"CURSOR_ALREADY_OPEN", 6511},
        {"LOGIN_DENIED", 1017},   {"PROGRAM_ERROR", 6501}, {"STORAGE_ERROR", 6500}};
    auto it = codes.find(name);
    return it == codes.end() ? 0 : it->second;
}

// Raised by RETURN: leaves the program.
struct return_signal {};

}  // namespace

struct plsql_program::step {
    enum class kind {
        block,
        null_step,
        assign,
        if_step,
        sql,
        select_into,
        exec_immediate,
        raise_application_error,
        reraise,
        put_line,
        commit,
        for_range,
        return_step,
        unsupported,
    };
    kind k = kind::null_step;
    int line = 0;
    range text;                             // sql, select_into (without INTO), assign / put_line / exec expression
    std::string target;                     // assign target; for_range variable; reraise exception name
    std::vector<std::string> targets;       // select_into
    std::vector<range> exprs;               // if conditions; raise_application_error args; for bounds
    std::vector<std::vector<step>> bodies;  // if branches (+ else); block body; loop body
    bool has_else = false;
    bool reverse = false;
    std::string what;  // unsupported: what it is

    struct declaration {
        std::string name;
        range init;  // empty: NULL
        bool exception = false;
        int code = 0;  // EXCEPTION_INIT
        std::string unsupported;
        int line = 0;
    };
    struct handler {
        std::vector<std::string> names;  // OTHERS, predefined or declared exceptions
        std::vector<step> body;
    };
    std::vector<declaration> declarations;
    std::vector<handler> handlers;
};

namespace {

using step = plsql_program::step;

class reader {
public:
    reader(const std::vector<token>& t, size_t begin, size_t end) : t_(t), pos_(begin), end_(end) {}

    step block() {
        step s;
        s.k = step::kind::block;
        s.line = peek().line;
        if (accept("DECLARE")) declarations(s);
        expect("BEGIN");
        s.bodies.push_back(statements({"EXCEPTION", "END"}));
        if (accept("EXCEPTION")) {
            while (accept("WHEN")) {
                step::handler h;
                do {
                    h.names.push_back(name_word());
                } while (accept("OR"));
                expect("THEN");
                h.body = statements({"WHEN", "END"});
                s.handlers.push_back(std::move(h));
            }
        }
        expect("END");
        if (is_name(peek()) && !peek().is_symbol(";")) next();  // END label
        accept_symbol(";");
        return s;
    }

    bool at_end() const { return pos_ >= end_ || t_[pos_].kind == token_kind::end; }
    const token& peek(size_t ahead = 0) const {
        size_t i = pos_ + ahead;
        return i < end_ ? t_[i] : t_[end_ < t_.size() ? end_ : t_.size() - 1];
    }

private:
    static bool is_name(const token& t) {
        return t.kind == token_kind::identifier || t.kind == token_kind::quoted_identifier;
    }
    const token& next() {
        const token& t = peek();
        if (pos_ < end_) ++pos_;
        return t;
    }
    bool accept(std::string_view w) {
        if (!peek().is_word(w)) return false;
        next();
        return true;
    }
    bool accept_symbol(std::string_view s) {
        if (!peek().is_symbol(s)) return false;
        next();
        return true;
    }
    void expect(std::string_view w) {
        if (!accept(w))
            raise_ora(6550,
                      "PLS-00103: Encountered the symbol \"" + (at_end() ? std::string("end-of-file") : peek().text) +
                          "\" when expecting " + std::string(w),
                      peek().line);
    }
    void expect_symbol(std::string_view s) {
        if (!accept_symbol(s))
            raise_ora(6550,
                      "PLS-00103: Encountered the symbol \"" + (at_end() ? std::string("end-of-file") : peek().text) +
                          "\" when expecting \"" + std::string(s) + "\"",
                      peek().line);
    }
    std::string name_word() {
        if (!is_name(peek())) expect("a name");
        return next().text;
    }

    // An expression from here, as the SQL reader reads it; returns its token range.
    range expression() {
        sql_parser p(t_, pos_);
        range r;
        r.b = pos_;
        p.expression();
        if (p.position() > end_) raise_ora(6550, "PLS-00103: Encountered the symbol \"end-of-file\"", peek().line);
        pos_ = p.position();
        r.e = pos_;
        return r;
    }

    // Skips to the ';' that ends this statement, across nested blocks, IF, LOOP and CASE.
    void skip_statement() {
        int depth = 0;
        while (!at_end()) {
            const token& t = next();
            if (t.is_word("BEGIN") || t.is_word("IF") || t.is_word("LOOP") || t.is_word("CASE")) {
                ++depth;
            } else if (t.is_word("END")) {
                if (peek().is_word("IF") || peek().is_word("LOOP") || peek().is_word("CASE")) next();
                --depth;
            } else if (t.is_symbol(";") && depth <= 0) {
                return;
            }
        }
    }

    void declarations(step& s) {
        while (!at_end() && !peek().is_word("BEGIN")) {
            step::declaration d;
            d.line = peek().line;
            if (accept("PRAGMA")) {
                if (accept("EXCEPTION_INIT")) {
                    expect_symbol("(");
                    std::string name = name_word();
                    expect_symbol(",");
                    bool negative = accept_symbol("-");
                    int code = std::atoi(next().text.c_str());
                    expect_symbol(")");
                    expect_symbol(";");
                    for (auto& other : s.declarations)
                        if (other.name == name) other.code = negative ? code : -code;
                    continue;
                }
                skip_statement();
                continue;
            }
            if (peek().is_word("CURSOR") || peek().is_word("TYPE") || peek().is_word("PROCEDURE") ||
                peek().is_word("FUNCTION") || peek().is_word("SUBTYPE")) {
                d.unsupported = compat::to_upper_utf8(peek().text) + " declarations";
                skip_statement();
                s.declarations.push_back(std::move(d));
                continue;
            }
            d.name = name_word();
            if (accept("EXCEPTION")) {
                d.exception = true;
                expect_symbol(";");
                s.declarations.push_back(std::move(d));
                continue;
            }
            accept("CONSTANT");
            // The type: anything up to ':=', DEFAULT or ';' (a scalar's value needs no type here).
            int depth = 0;
            while (!at_end()) {
                const token& t = peek();
                if (depth == 0 && (t.is_symbol(";") || t.is_word("DEFAULT") || t.is_symbol(":="))) break;
                if (t.is_symbol("(")) ++depth;
                if (t.is_symbol(")")) --depth;
                if (depth == 0 && (t.is_word("RECORD") || t.is_word("TABLE") || t.is_word("REF")))
                    d.unsupported = "record, collection and cursor variables";
                next();
            }
            if (accept("DEFAULT") || assign_symbol()) d.init = expression();
            expect_symbol(";");
            s.declarations.push_back(std::move(d));
        }
    }

    bool assign_symbol() { return accept_symbol(":="); }

    std::vector<step> statements(std::initializer_list<std::string_view> stop) {
        std::vector<step> out;
        while (!at_end()) {
            bool done = false;
            for (auto w : stop)
                if (peek().is_word(w)) done = true;
            if (done) break;
            out.push_back(statement());
        }
        return out;
    }

    step unsupported(std::string what, int line) {
        step s;
        s.k = step::kind::unsupported;
        s.what = std::move(what);
        s.line = line;
        skip_statement();
        return s;
    }

    step statement() {
        const token& t = peek();
        int line = t.line;
        step s;
        s.line = line;
        if (t.is_symbol("<") && peek(1).is_symbol("<")) {  // <<label>>
            while (!at_end() && !(peek().is_symbol(">") && peek(1).is_symbol(">"))) next();
            next();
            next();
            return statement();
        }
        if (t.is_word("BEGIN") || t.is_word("DECLARE")) return block();
        if (accept("NULL")) {
            expect_symbol(";");
            return s;
        }
        if (accept("IF")) {
            s.k = step::kind::if_step;
            s.exprs.push_back(expression());
            expect("THEN");
            s.bodies.push_back(statements({"ELSIF", "ELSE", "END"}));
            while (accept("ELSIF")) {
                s.exprs.push_back(expression());
                expect("THEN");
                s.bodies.push_back(statements({"ELSIF", "ELSE", "END"}));
            }
            if (accept("ELSE")) {
                s.has_else = true;
                s.bodies.push_back(statements({"END"}));
            }
            expect("END");
            expect("IF");
            expect_symbol(";");
            return s;
        }
        if (t.is_word("FOR") && is_name(peek(1)) && peek(2).is_word("IN")) {
            size_t save = pos_;
            next();
            s.target = next().text;
            next();
            s.reverse = accept("REVERSE");
            if (peek().is_symbol("(") || peek().is_word("SELECT")) {
                pos_ = save;
                return unsupported("cursor FOR loops", line);
            }
            s.exprs.push_back(expression());
            if (!accept_symbol(".") || !accept_symbol(".")) {
                pos_ = save;
                return unsupported("cursor FOR loops", line);
            }
            s.exprs.push_back(expression());
            expect("LOOP");
            s.k = step::kind::for_range;
            s.bodies.push_back(statements({"END"}));
            expect("END");
            expect("LOOP");
            if (is_name(peek())) next();
            expect_symbol(";");
            return s;
        }
        if (t.is_word("WHILE") || t.is_word("LOOP") || t.is_word("CASE") || t.is_word("GOTO") || t.is_word("OPEN") ||
            t.is_word("FETCH") || t.is_word("CLOSE") || t.is_word("FORALL") || t.is_word("EXIT") ||
            t.is_word("CONTINUE") || t.is_word("FOR")) {
            std::string w = t.text;
            return unsupported("PL/SQL " + w + " statements", line);
        }
        if (accept("EXECUTE")) {
            expect("IMMEDIATE");
            s.k = step::kind::exec_immediate;
            s.text = expression();
            if (!peek().is_symbol(";")) return unsupported("EXECUTE IMMEDIATE with INTO or USING", line);
            next();
            return s;
        }
        if (accept("COMMIT")) {
            accept("WORK");
            expect_symbol(";");
            s.k = step::kind::commit;
            return s;
        }
        if (t.is_word("ROLLBACK") || t.is_word("SAVEPOINT")) return unsupported(t.text, line);
        if (accept("RETURN")) {
            s.k = step::kind::return_step;
            if (!peek().is_symbol(";")) expression();
            expect_symbol(";");
            return s;
        }
        if (accept("RAISE_APPLICATION_ERROR")) {
            s.k = step::kind::raise_application_error;
            expect_symbol("(");
            s.exprs.push_back(expression());
            expect_symbol(",");
            s.exprs.push_back(expression());
            if (accept_symbol(",")) expression();
            expect_symbol(")");
            expect_symbol(";");
            return s;
        }
        if (accept("RAISE")) {
            s.k = step::kind::reraise;
            if (is_name(peek())) s.target = next().text;
            expect_symbol(";");
            return s;
        }
        if (t.is_word("DBMS_OUTPUT") && peek(1).is_symbol(".")) {
            std::string fn = peek(2).text;
            if (fn == "PUT_LINE" || fn == "PUT") {
                next();
                next();
                next();
                s.k = step::kind::put_line;
                expect_symbol("(");
                s.text = expression();
                expect_symbol(")");
                expect_symbol(";");
                return s;
            }
            skip_statement();  // ENABLE, DISABLE, NEW_LINE: output needs no setup here
            return s;
        }
        if (t.is_word("DBMS_STATS") && peek(1).is_symbol(".")) {
            skip_statement();  // optimizer statistics mean nothing to a store
            return s;
        }
        if (t.is_word("SELECT") || t.is_word("WITH")) return select_into(line);
        if (t.is_word("INSERT") || t.is_word("UPDATE") || t.is_word("DELETE") || t.is_word("MERGE") ||
            t.is_word("LOCK")) {
            s.k = step::kind::sql;
            s.text.b = pos_;
            while (!at_end() && !peek().is_symbol(";")) next();
            s.text.e = pos_;
            expect_symbol(";");
            return s;
        }
        // target := expression ;
        if ((is_name(t) || t.kind == token_kind::bind)) {
            size_t save = pos_;
            sql_parser p(t_, pos_);
            std::string key;
            try {
                expr_ptr target = p.expression();
                key = scope_key(*target);
            } catch (const sql_error&) {
            }
            pos_ = std::min(p.position(), end_);
            if (!key.empty() && assign_symbol()) {
                s.k = step::kind::assign;
                s.target = key;
                s.text = expression();
                expect_symbol(";");
                return s;
            }
            pos_ = save;
            std::string name = t.text;
            if (peek(1).is_symbol(".") && is_name(peek(2))) name += "." + peek(2).text;
            return unsupported("calls of " + name, line);
        }
        return unsupported("the PL/SQL statement at \"" + t.text + "\"", line);
    }

    step select_into(int line) {
        step s;
        s.k = step::kind::select_into;
        s.line = line;
        // SELECT items INTO targets FROM ...: the query is run without its INTO clause.
        size_t begin = pos_;
        int depth = 0;
        while (!at_end() && !(depth == 0 && peek().is_word("INTO")) && !peek().is_symbol(";")) {
            if (peek().is_symbol("(")) ++depth;
            if (peek().is_symbol(")")) --depth;
            next();
        }
        if (!accept("INTO")) return unsupported("SELECT without INTO", line);
        s.exprs.push_back({begin, pos_ - 1});
        do {
            sql_parser p(t_, pos_);
            expr_ptr target = p.expression();
            pos_ = p.position();
            std::string key = scope_key(*target);
            if (key.empty()) raise_ora(6550, "PLS-00049: bad bind variable", line);
            s.targets.push_back(key);
        } while (accept_symbol(","));
        s.text.b = pos_;
        while (!at_end() && !peek().is_symbol(";")) next();
        s.text.e = pos_;
        expect_symbol(";");
        return s;
    }

    const std::vector<token>& t_;
    size_t pos_, end_;
};

// Runs the steps over one token list.
class runner {
public:
    runner(const std::vector<token>& t, std::string_view source, block_host& host)
        : t_(t), source_(source), host_(host) {}

    void run_steps(const std::vector<step>& steps, plsql_scope& scope) {
        for (const auto& s : steps) run_step(s, scope);
    }

    void run_step(const step& s, plsql_scope& scope) {
        try {
            run_one(s, scope);
        } catch (sql_error& e) {
            if (e.line == 0) e.line = s.line;
            throw;
        }
    }

private:
    ora_value eval(range r, const plsql_scope& scope) {
        std::vector<token> tokens = slice(r);
        sql_parser p(tokens);
        expr_ptr e = p.expression();
        return compiled_expr::compile(*e, &scope).eval(host_.context());
    }

    std::vector<token> slice(range r) const {
        std::vector<token> out(t_.begin() + static_cast<std::ptrdiff_t>(r.b),
                               t_.begin() + static_cast<std::ptrdiff_t>(r.e));
        token end;
        end.kind = token_kind::end;
        end.begin = end.end = r.e > r.b ? t_[r.e - 1].end : 0;
        end.line = r.e > r.b ? t_[r.e - 1].line : 0;
        out.push_back(end);
        return out;
    }

    bool truth(range r, const plsql_scope& scope) {
        ora_value v = eval(r, scope);
        return !v.is_null() && v.k == ora_value::kind::number && !(v.is_integer ? v.integer == 0 : v.decimal.is_zero());
    }

    // One SQL statement, atomically.
    template <typename F>
    void atomically(F&& f) {
        host_.savepoint();
        try {
            f();
        } catch (...) {
            host_.rollback_to_savepoint();
            throw;
        }
        host_.release_savepoint();
    }

    void run_one(const step& s, plsql_scope& scope) {
        switch (s.k) {
            case step::kind::block:
                run_block(s, scope);
                return;
            case step::kind::null_step:
                return;
            case step::kind::assign:
                scope.set(s.target, eval(s.text, scope));
                return;
            case step::kind::if_step:
                for (size_t i = 0; i < s.exprs.size(); ++i) {
                    if (truth(s.exprs[i], scope)) {
                        run_steps(s.bodies[i], scope);
                        return;
                    }
                }
                if (s.has_else) run_steps(s.bodies.back(), scope);
                return;
            case step::kind::for_range: {
                ora_value lo = eval(s.exprs[0], scope), hi = eval(s.exprs[1], scope);
                if (lo.is_null() || hi.is_null()) raise_ora(6502, "PL/SQL: numeric or value error");
                int64_t a = value_to_number(lo).rounded(0).to_int64().value_or(0);
                int64_t b = value_to_number(hi).rounded(0).to_int64().value_or(0);
                plsql_scope inner(&scope);
                for (int64_t i = s.reverse ? b : a; s.reverse ? i >= a : i <= b; s.reverse ? --i : ++i) {
                    inner.declare(s.target, ora_value::from_int(i));
                    run_steps(s.bodies[0], inner);
                }
                return;
            }
            case step::kind::sql:
                atomically([&] { host_.execute(slice(s.text), source_, &scope); });
                return;
            case step::kind::select_into: {
                // The query is the text before INTO followed by the text after the targets.
                std::vector<token> q = slice(s.exprs[0]);
                q.pop_back();
                std::vector<token> rest = slice(s.text);
                q.insert(q.end(), rest.begin(), rest.end());
                std::vector<ora_value> row;
                atomically([&] { row = host_.query_row(q, source_, &scope); });
                if (row.size() != s.targets.size())
                    raise_ora(s.targets.size() < row.size() ? 913 : 947,
                              s.targets.size() < row.size() ? "too many values" : "not enough values");
                for (size_t i = 0; i < row.size(); ++i) scope.set(s.targets[i], row[i]);
                return;
            }
            case step::kind::exec_immediate: {
                ora_value v = eval(s.text, scope);
                std::string sql = v.is_null() ? std::string() : value_to_text(v);
                std::vector<token> tokens = tokenize(sql);
                // A trailing ';' belongs to a PL/SQL block only.
                if (tokens.size() >= 2 && tokens[tokens.size() - 2].is_symbol(";") && !tokens[0].is_word("BEGIN") &&
                    !tokens[0].is_word("DECLARE") && !tokens[0].is_word("CREATE"))
                    raise_ora(911, "invalid character");
                atomically([&] { host_.execute(tokens, sql, nullptr); });
                return;
            }
            case step::kind::raise_application_error: {
                ora_value code = eval(s.exprs[0], scope), text = eval(s.exprs[1], scope);
                int64_t n = code.is_null() ? 0 : value_to_number(code).to_int64().value_or(0);
                if (n > -20000 || n < -20999)
                    raise_ora(21000, "error number argument to raise_application_error of " + std::to_string(n) +
                                         " is out of range");
                raise_ora(static_cast<int>(-n), text.is_null() ? std::string() : value_to_text(text));
            }
            case step::kind::reraise: {
                if (s.target.empty()) {
                    if (!scope.has("SQLCODE"))
                        raise_ora(
                            6550,
                            "PLS-00367: a RAISE statement with no exception name must be inside an exception handler");
                    sql_error e;
                    e.code = static_cast<int>(-value_to_number(scope.get("SQLCODE")).to_int64().value_or(0));
                    e.message = value_to_text(scope.get("SQLERRM"));
                    throw e;
                }
                int code = predefined_exception(s.target);
                if (!code) code = declared_code(s.target, scope);
                if (code > 0) raise_ora(code, "user-defined exception");
                sql_error e;
                e.code = 6510;
                e.message = "ORA-06510: PL/SQL: unhandled user-defined exception";
                e.exception_name = s.target;
                throw e;
            }
            case step::kind::put_line: {
                ora_value v = eval(s.text, scope);
                host_.put_line(v.is_null() ? std::string() : value_to_text(v));
                return;
            }
            case step::kind::commit:
                host_.commit();
                return;
            case step::kind::return_step:
                throw return_signal{};
            case step::kind::unsupported:
                raise_unsupported(s.what, s.line);
        }
    }

    static int declared_code(const std::string& name, const plsql_scope& scope) {
        ora_value v = scope.get("EXCEPTION " + name);
        return v.is_null() ? 0 : static_cast<int>(v.integer);
    }

    void run_block(const step& s, plsql_scope& outer) {
        plsql_scope scope(&outer);
        for (const auto& d : s.declarations) {
            if (!d.unsupported.empty()) raise_unsupported(d.unsupported, d.line);
            if (d.exception) {
                scope.declare("EXCEPTION " + d.name, ora_value::from_int(d.code));
                continue;
            }
            try {
                scope.declare(d.name, d.init.e > d.init.b ? eval(d.init, scope) : ora_value{});
            } catch (sql_error& e) {
                if (e.line == 0) e.line = d.line;
                throw;
            }
        }
        try {
            run_steps(s.bodies[0], scope);
        } catch (const sql_error& e) {
            const step::handler* h = handler_for(s, e, scope);
            if (!h) throw;
            plsql_scope in_handler(&scope);
            in_handler.declare("SQLCODE", ora_value::from_int(-static_cast<int64_t>(e.code)));
            in_handler.declare("SQLERRM", ora_value::from_text(e.message));
            run_steps(h->body, in_handler);
        }
    }

    const step::handler* handler_for(const step& s, const sql_error& e, const plsql_scope& scope) {
        for (const auto& h : s.handlers) {
            for (const auto& n : h.names) {
                if (n == "OTHERS" && e.code != 3001) return &h;  // what ocilite cannot run stays loud
                if (!e.exception_name.empty() && n == e.exception_name) return &h;
                int code = predefined_exception(n);
                if (!code) code = declared_code(n, scope);
                if (code > 0 && code == e.code) return &h;
            }
        }
        return nullptr;
    }

    const std::vector<token>& t_;
    std::string_view source_;
    block_host& host_;
};

}  // namespace

plsql_program::plsql_program() = default;
plsql_program::plsql_program(plsql_program&&) noexcept = default;
plsql_program& plsql_program::operator=(plsql_program&&) noexcept = default;
plsql_program::~plsql_program() = default;

plsql_program plsql_program::parse(const std::vector<token>& tokens, size_t begin, size_t end,
                                   std::string_view source) {
    plsql_program p;
    p.source_ = std::string(source);
    p.tokens_ = std::make_shared<std::vector<token>>(tokens.begin() + static_cast<std::ptrdiff_t>(begin),
                                                     tokens.begin() + static_cast<std::ptrdiff_t>(end));
    token stop;
    stop.kind = token_kind::end;
    stop.line = p.tokens_->empty() ? 0 : p.tokens_->back().line;
    p.tokens_->push_back(stop);
    reader r(*p.tokens_, 0, p.tokens_->size() - 1);
    p.root_ = std::make_unique<step>(r.block());
    if (!r.at_end())
        raise_ora(6550, "PLS-00103: Encountered the symbol \"" + r.peek().text + "\" when expecting end-of-file",
                  r.peek().line);
    return p;
}

void plsql_program::run(block_host& host, plsql_scope& scope) const {
    runner r(*tokens_, source_, host);
    try {
        r.run_step(*root_, scope);
    } catch (const return_signal&) {
    }
}

}  // namespace ocilite
