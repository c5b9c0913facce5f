#include "ocilite/sql_parser.h"

#include <algorithm>
#include <array>

#include "ocilite/ora_errors.h"

namespace ocilite {

bool is_clause_word(std::string_view w) {
    static constexpr std::array<std::string_view, 31> words = {
        "FROM", "WHERE", "GROUP", "ORDER", "HAVING", "UNION",  "INTERSECT", "MINUS", "CONNECT", "START", "INTO",
        "JOIN", "INNER", "LEFT",  "RIGHT", "FULL",   "CROSS",  "ON",        "OUTER", "SELECT",  "AND",   "OR",
        "NOT",  "AS",    "BY",    "WITH",  "FOR",    "VALUES", "NATURAL",   "USING", "FETCH"};
    for (auto x : words)
        if (x == w) return true;
    return false;
}

const token& sql_parser::peek(size_t ahead) const {
    size_t i = pos_ + ahead;
    return i < t_.size() ? t_[i] : t_.back();
}

const token& sql_parser::next() {
    const token& t = peek();
    if (pos_ < t_.size() - 1) ++pos_;
    return t;
}

bool sql_parser::at_end() const {
    const token& t = peek();
    return t.kind == token_kind::end || t.kind == token_kind::script_end || t.is_symbol(";");
}

bool sql_parser::accept_word(std::string_view upper) {
    if (!peek().is_word(upper)) return false;
    next();
    return true;
}

bool sql_parser::accept_symbol(std::string_view s) {
    if (!peek().is_symbol(s)) return false;
    next();
    return true;
}

void sql_parser::expect_word(std::string_view upper) {
    if (!accept_word(upper)) raise_ora(905, "missing keyword", peek().line);
}

void sql_parser::expect_symbol(std::string_view s) {
    if (accept_symbol(s)) return;
    if (s == ")") raise_missing_paren(peek().line);
    if (s == "(") raise_ora(906, "missing left parenthesis", peek().line);
    if (s == ",") raise_ora(917, "missing comma", peek().line);
    raise_missing_expression(peek().line);
}

void sql_parser::expect_end() {
    if (!at_end()) raise_not_ended(peek().line);
}

bool sql_parser::peek_identifier() const {
    const token& t = peek();
    return t.kind == token_kind::identifier || t.kind == token_kind::quoted_identifier;
}

std::string sql_parser::identifier(bool for_table) {
    const token& t = peek();
    if (!peek_identifier()) {
        if (for_table) raise_ora(903, "invalid table name", t.line);
        raise_invalid_identifier(t.text, t.line);
    }
    if (t.text.size() > 128) raise_ora(972, "identifier is too long", t.line);
    next();
    return t.text;
}

int sql_parser::integer() {
    const token& t = peek();
    if (t.kind != token_kind::number || t.text.find_first_not_of("0123456789") != std::string::npos ||
        t.text.size() > 9)
        raise_ora(2017, "integer value required", t.line);
    next();
    return std::stoi(t.text);
}

expr_ptr sql_parser::finish(expr_ptr e, size_t first) {
    e->first_token = first;
    e->last_token = pos_;
    e->line = t_[first].line;
    return e;
}

expr_ptr sql_parser::expression() { return or_expr(); }

namespace {
expr_ptr make_binary(std::string op, expr_ptr l, expr_ptr r) {
    auto e = std::make_unique<expr>(expr_kind::binary);
    e->text = std::move(op);
    e->args.push_back(std::move(l));
    e->args.push_back(std::move(r));
    return e;
}
}  // namespace

expr_ptr sql_parser::or_expr() {
    size_t first = pos_;
    expr_ptr l = and_expr();
    while (accept_word("OR")) l = finish(make_binary("OR", std::move(l), and_expr()), first);
    return l;
}

expr_ptr sql_parser::and_expr() {
    size_t first = pos_;
    expr_ptr l = not_expr();
    while (accept_word("AND")) l = finish(make_binary("AND", std::move(l), not_expr()), first);
    return l;
}

expr_ptr sql_parser::not_expr() {
    size_t first = pos_;
    if (accept_word("NOT")) {
        auto e = std::make_unique<expr>(expr_kind::unary);
        e->text = "NOT";
        e->args.push_back(not_expr());
        return finish(std::move(e), first);
    }
    return comparison();
}

expr_ptr sql_parser::comparison() {
    size_t first = pos_;
    expr_ptr l = additive();
    static constexpr std::array<std::string_view, 8> ops = {"=", "<>", "!=", "^=", "<", "<=", ">", ">="};
    for (auto op : ops) {
        if (peek().is_symbol(op)) {
            next();
            std::string o = (op == "!=" || op == "^=") ? "<>" : std::string(op);
            return finish(make_binary(o, std::move(l), additive()), first);
        }
    }
    if (accept_word("IS")) {
        auto e = std::make_unique<expr>(expr_kind::is_null);
        e->negated = accept_word("NOT");
        if (accept_word("JSON")) {
            // A JSON check (CHECK (doc IS JSON [STRICT])): kept as written, never evaluated here.
            e->kind = expr_kind::function;
            e->text = e->negated ? "IS NOT JSON" : "IS JSON";
            while (accept_word("STRICT") || accept_word("LAX") || accept_word("FORMAT") || accept_word("WITH") ||
                   accept_word("WITHOUT") || accept_word("UNIQUE") || accept_word("KEYS")) {
            }
            e->args.push_back(std::move(l));
            return finish(std::move(e), first);
        }
        expect_word("NULL");
        e->args.push_back(std::move(l));
        return finish(std::move(e), first);
    }
    bool negated = false;
    if (peek().is_word("NOT") && (peek(1).is_word("LIKE") || peek(1).is_word("IN") || peek(1).is_word("BETWEEN"))) {
        next();
        negated = true;
    }
    if (accept_word("LIKE")) {
        auto e = std::make_unique<expr>(expr_kind::like);
        e->negated = negated;
        e->args.push_back(std::move(l));
        e->args.push_back(additive());
        if (accept_word("ESCAPE")) e->args.push_back(additive());
        return finish(std::move(e), first);
    }
    if (accept_word("IN")) {
        auto e = std::make_unique<expr>(expr_kind::in_list);
        e->negated = negated;
        e->args.push_back(std::move(l));
        expect_symbol("(");
        if (peek().is_word("SELECT"))
            e->sub = select();
        else
            expression_list(e->args);
        expect_symbol(")");
        return finish(std::move(e), first);
    }
    if (accept_word("BETWEEN")) {
        auto e = std::make_unique<expr>(expr_kind::between);
        e->negated = negated;
        e->args.push_back(std::move(l));
        e->args.push_back(additive());
        expect_word("AND");
        e->args.push_back(additive());
        return finish(std::move(e), first);
    }
    return l;
}

expr_ptr sql_parser::additive() {
    size_t first = pos_;
    expr_ptr l = multiplicative();
    while (peek().is_symbol("+") || peek().is_symbol("-") || peek().is_symbol("||")) {
        std::string op = next().text;
        l = finish(make_binary(op, std::move(l), multiplicative()), first);
    }
    return l;
}

expr_ptr sql_parser::multiplicative() {
    size_t first = pos_;
    expr_ptr l = unary();
    while (peek().is_symbol("*") || peek().is_symbol("/")) {
        std::string op = next().text;
        l = finish(make_binary(op, std::move(l), unary()), first);
    }
    return l;
}

expr_ptr sql_parser::unary() {
    size_t first = pos_;
    if (peek().is_symbol("-") || peek().is_symbol("+")) {
        auto e = std::make_unique<expr>(expr_kind::unary);
        e->text = next().text;
        e->args.push_back(unary());
        return finish(std::move(e), first);
    }
    return primary();
}

std::string sql_parser::interval_qualifier() {
    // YEAR[(p)] [TO MONTH] | MONTH[(p)] | DAY[(p)] [TO HOUR|MINUTE|SECOND[(s)]] | HOUR.. | MINUTE.. | SECOND[(p[,s])]
    auto field = [&]() {
        const token& t = peek();
        if (t.kind != token_kind::identifier || (t.text != "YEAR" && t.text != "MONTH" && t.text != "DAY" &&
                                                 t.text != "HOUR" && t.text != "MINUTE" && t.text != "SECOND"))
            raise_ora(905, "missing keyword", t.line);
        std::string f = next().text;
        if (accept_symbol("(")) {
            f += "(" + std::to_string(integer());
            if (accept_symbol(",")) f += "," + std::to_string(integer());
            expect_symbol(")");
            f += ")";
        }
        return f;
    };
    std::string q = field();
    if (accept_word("TO")) q += " TO " + field();
    return q;
}

expr_ptr sql_parser::primary() {
    size_t first = pos_;
    const token& t = peek();
    switch (t.kind) {
        case token_kind::number: {
            auto e = std::make_unique<expr>(expr_kind::number);
            e->text = next().text;
            return finish(std::move(e), first);
        }
        case token_kind::string:
        case token_kind::nstring: {
            auto e = std::make_unique<expr>(t.kind == token_kind::string ? expr_kind::string : expr_kind::nstring);
            e->text = next().text;
            return finish(std::move(e), first);
        }
        case token_kind::bind: {
            auto e = std::make_unique<expr>(expr_kind::bind);
            e->text = next().text;
            // A record field, as a trigger's :new.col.
            while (peek().is_symbol(".") &&
                   (peek(1).kind == token_kind::identifier || peek(1).kind == token_kind::quoted_identifier)) {
                next();
                e->parts.push_back(identifier());
            }
            return finish(std::move(e), first);
        }
        case token_kind::symbol:
            if (t.is_symbol("(")) {
                next();
                if (peek().is_word("SELECT") || peek().is_symbol("(")) {
                    // A parenthesised query, or a parenthesised expression that starts with '('.
                    size_t save = pos_;
                    bool query = peek().is_word("SELECT");
                    if (!query) {
                        size_t p = pos_;
                        while (p < t_.size() && t_[p].is_symbol("(")) ++p;
                        query = p < t_.size() && t_[p].is_word("SELECT");
                    }
                    if (query) {
                        auto e = std::make_unique<expr>(expr_kind::subquery);
                        e->sub = select();
                        expect_symbol(")");
                        return finish(std::move(e), first);
                    }
                    seek(save);
                }
                expr_ptr inner = expression();
                expect_symbol(")");
                inner->first_token = first;
                inner->last_token = pos_;
                return inner;
            }
            if (t.is_symbol("*")) {
                next();
                return finish(std::make_unique<expr>(expr_kind::star), first);
            }
            raise_missing_expression(t.line);
        case token_kind::quoted_identifier:
        case token_kind::identifier:
            break;
        default:
            raise_missing_expression(t.line);
    }

    if (t.kind == token_kind::identifier) {
        if (t.text == "NULL") {
            next();
            return finish(std::make_unique<expr>(expr_kind::null), first);
        }
        if ((t.text == "DATE" || t.text == "TIMESTAMP") && peek(1).kind == token_kind::string) {
            next();
            auto e = std::make_unique<expr>(t.text == "DATE" ? expr_kind::date_literal : expr_kind::timestamp_literal);
            e->text = next().text;
            return finish(std::move(e), first);
        }
        if (t.text == "INTERVAL" && peek(1).kind == token_kind::string) {
            next();
            auto e = std::make_unique<expr>(expr_kind::interval_literal);
            e->text = next().text;
            e->qualifier = interval_qualifier();
            return finish(std::move(e), first);
        }
        if (t.text == "CASE") {
            next();
            return case_expr(first);
        }
        if (t.text == "EXISTS" && peek(1).is_symbol("(")) {
            next();
            next();
            auto e = std::make_unique<expr>(expr_kind::exists);
            e->sub = select();
            expect_symbol(")");
            return finish(std::move(e), first);
        }
        if (is_clause_word(t.text) && t.text != "LEFT" && t.text != "RIGHT") raise_missing_expression(t.line);
        if (peek(1).is_symbol("(")) {
            std::string name = next().text;
            next();
            return function_call(std::move(name), first);
        }
    }

    auto e = std::make_unique<expr>(expr_kind::name);
    e->parts.push_back(identifier());
    while (peek().is_symbol(".")) {
        next();
        if (peek().is_symbol("*")) {
            next();
            e->kind = expr_kind::star;
            break;
        }
        e->parts.push_back(identifier());
        if (e->parts.size() > 3) raise_invalid_identifier(e->parts.back(), t.line);
    }
    if (e->kind == expr_kind::name && e->parts.size() > 1 && peek().is_symbol("(")) {
        // A packaged function, as UTL_RAW.CAST_TO_RAW(...).
        std::string name;
        for (const auto& part : e->parts) name += (name.empty() ? "" : ".") + part;
        next();
        return function_call(std::move(name), first);
    }
    return finish(std::move(e), first);
}

void sql_parser::expression_list(std::vector<expr_ptr>& out) {
    do {
        out.push_back(expression());
    } while (accept_symbol(","));
}

expr_ptr sql_parser::function_call(std::string name, size_t first) {
    auto e = std::make_unique<expr>(expr_kind::function);
    e->text = std::move(name);
    if (accept_symbol(")")) return finish(std::move(e), first);
    if (accept_word("DISTINCT"))
        e->distinct = true;
    else
        accept_word("ALL");
    if (peek().is_symbol("*") && peek(1).is_symbol(")")) {
        next();
        size_t star = pos_ - 1;
        e->args.push_back(finish(std::make_unique<expr>(expr_kind::star), star));
    } else {
        expression_list(e->args);
    }
    expect_symbol(")");
    return finish(std::move(e), first);
}

expr_ptr sql_parser::case_expr(size_t first) {
    auto e = std::make_unique<expr>(expr_kind::case_when);
    if (!peek().is_word("WHEN")) {
        e->has_operand = true;
        e->args.push_back(expression());
    }
    if (!peek().is_word("WHEN")) raise_ora(905, "missing keyword", peek().line);
    while (accept_word("WHEN")) {
        e->args.push_back(expression());
        expect_word("THEN");
        e->args.push_back(expression());
    }
    if (accept_word("ELSE")) {
        e->has_else = true;
        e->args.push_back(expression());
    }
    expect_word("END");
    return finish(std::move(e), first);
}

bool sql_parser::is_alias_candidate() const {
    const token& t = peek();
    if (t.kind == token_kind::quoted_identifier) return true;
    return t.kind == token_kind::identifier && !is_clause_word(t.text);
}

std::unique_ptr<select_stmt> sql_parser::select() {
    // A query in parentheses, possibly nested: ((SELECT ...)).
    if (peek().is_symbol("(")) {
        next();
        auto s = select();
        expect_symbol(")");
        return s;
    }
    auto s = std::make_unique<select_stmt>();
    s->first = core();
    while (true) {
        std::string op;
        if (accept_word("UNION"))
            op = accept_word("ALL") ? "UNION ALL" : "UNION";
        else if (accept_word("INTERSECT"))
            op = "INTERSECT";
        else if (accept_word("MINUS"))
            op = "MINUS";
        else
            break;
        bool paren = accept_symbol("(");
        s->compounds.emplace_back(op, core());
        if (paren) expect_symbol(")");
    }
    if (accept_word("ORDER")) {
        expect_word("BY");
        do {
            order_item o;
            o.value = expression();
            if (accept_word("DESC"))
                o.descending = true;
            else
                accept_word("ASC");
            if (accept_word("NULLS")) {
                if (accept_word("FIRST"))
                    o.nulls = 1;
                else if (accept_word("LAST"))
                    o.nulls = 2;
                else
                    raise_ora(905, "missing keyword", peek().line);
            }
            s->order_by.push_back(std::move(o));
        } while (accept_symbol(","));
    }
    return s;
}

select_core sql_parser::core() {
    select_core c;
    if (!accept_word("SELECT")) raise_invalid_statement(peek().line);
    if (accept_word("DISTINCT") || accept_word("UNIQUE"))
        c.distinct = true;
    else
        accept_word("ALL");
    do {
        select_item item;
        item.value = expression();
        if (accept_word("AS") || is_alias_candidate()) {
            item.alias = identifier();
            item.has_alias = true;
        }
        c.items.push_back(std::move(item));
    } while (accept_symbol(","));
    if (!accept_word("FROM")) raise_ora(923, "FROM keyword not found where expected", peek().line);
    from_clause(c);
    if (accept_word("WHERE")) c.where = expression();
    if (accept_word("CONNECT")) {
        expect_word("BY");
        c.connect_by = expression();
    }
    if (accept_word("GROUP")) {
        expect_word("BY");
        expression_list(c.group_by);
    }
    if (accept_word("HAVING")) c.having = expression();
    return c;
}

void sql_parser::from_clause(select_core& c) {
    c.from.push_back(table_reference());
    while (true) {
        join_kind kind;
        if (accept_symbol(",")) {
            kind = join_kind::comma;
        } else if (accept_word("JOIN")) {
            kind = join_kind::inner;
        } else if (accept_word("INNER")) {
            expect_word("JOIN");
            kind = join_kind::inner;
        } else if (accept_word("CROSS")) {
            expect_word("JOIN");
            kind = join_kind::cross;
        } else if (peek().is_word("LEFT") || peek().is_word("RIGHT") || peek().is_word("FULL")) {
            std::string w = next().text;
            accept_word("OUTER");
            expect_word("JOIN");
            kind = w == "LEFT" ? join_kind::left : w == "RIGHT" ? join_kind::right : join_kind::full;
        } else {
            return;
        }
        table_ref r = table_reference();
        r.join = kind;
        if (kind != join_kind::comma && kind != join_kind::cross) {
            expect_word("ON");
            r.on = expression();
        }
        c.from.push_back(std::move(r));
    }
}

table_ref sql_parser::table_reference() {
    table_ref r;
    r.line = peek().line;
    if (accept_symbol("(")) {
        r.sub = select();
        expect_symbol(")");
    } else {
        r.name.push_back(identifier(true));
        if (accept_symbol(".")) r.name.push_back(identifier(true));
    }
    if (is_alias_candidate()) r.alias = identifier();
    return r;
}

std::string unsupported_construct(const std::vector<token>& t, size_t first, size_t last) {
    last = std::min(last, t.size());
    auto word = [&](size_t i, std::string_view w) { return i < last && t[i].is_word(w); };
    auto sym = [&](size_t i, std::string_view w) { return i < last && t[i].is_symbol(w); };
    for (size_t i = first; i < last; ++i) {
        if (word(i, "LISTAGG")) return "LISTAGG";
        if ((word(i, "NEXTVAL") || word(i, "CURRVAL")) && i > first && sym(i - 1, "."))
            return "sequence values (NEXTVAL, CURRVAL) in queries";
        if (word(i, "WITHIN") && word(i + 1, "GROUP")) return "WITHIN GROUP";
        if (word(i, "GROUPING") && word(i + 1, "SETS")) return "GROUPING SETS";
        if ((word(i, "GROUPING_ID") || word(i, "GROUPING")) && sym(i + 1, "(")) return t[i].text;
        if ((word(i, "ROLLUP") || word(i, "CUBE")) && sym(i + 1, "(")) return t[i].text;
        if (word(i, "OVER") && sym(i + 1, "(")) return "analytic functions (OVER)";
        if ((word(i, "JSON_TABLE") || word(i, "XMLTABLE")) && sym(i + 1, "(")) return t[i].text;
        if ((word(i, "CONNECT") || word(i, "START")) && (word(i + 1, "BY") || word(i + 1, "WITH")) &&
            !(word(i, "START") && i == first))
            return "CONNECT BY";
        if (word(i, "PIVOT") || word(i, "UNPIVOT") || word(i, "MATCH_RECOGNIZE")) return t[i].text;
        if (word(i, "LATERAL") && sym(i + 1, "(")) return "LATERAL";
        if ((word(i, "CROSS") || word(i, "OUTER")) && word(i + 1, "APPLY")) return t[i].text + " APPLY";
        if (sym(i, "(") && sym(i + 1, "+") && sym(i + 2, ")")) return "outer joins with (+)";
        if (word(i, "WITH") && i == first) return "WITH subqueries";
        if (word(i, "FETCH") && (word(i + 1, "FIRST") || word(i + 1, "NEXT"))) return "FETCH FIRST";
        if (word(i, "OFFSET") && i > first && (word(i + 2, "ROWS") || word(i + 2, "ROW"))) return "OFFSET";
        if (word(i, "MODEL") && (word(i + 1, "DIMENSION") || word(i + 1, "PARTITION") || word(i + 1, "RETURN")))
            return "MODEL";
    }
    return {};
}

}  // namespace ocilite
