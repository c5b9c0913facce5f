// Syntax tree of the Oracle SQL subset that ocilite reads: expressions and SELECT statements.
// The loader evaluates expressions; the translator prints them as SQLite SQL.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace ocilite {

struct select_stmt;

enum class expr_kind {
    number,   // text: the literal as written
    string,   // text: the value ('' doubling undone)
    nstring,  // N'...'
    null,
    name,               // parts: a / t.a / s.t.a (LEVEL, ROWNUM, SYSDATE arrive here too)
    star,               // parts: qualifier or empty; only as a select item or COUNT(*)
    function,           // text: upper-case name; args; distinct
    unary,              // text: "-", "+", "NOT"
    binary,             // text: "+", "-", "*", "/", "||", "=", "<>", "<", "<=", ">", ">=", "AND", "OR"
    is_null,            // args[0]; negated
    like,               // args: value, pattern [, escape]; negated
    in_list,            // args[0] IN (args[1..]); or sub; negated
    between,            // args: value, low, high; negated
    case_when,          // args: [operand] when/then pairs [else]; has_operand, has_else
    date_literal,       // DATE 'text'
    timestamp_literal,  // TIMESTAMP 'text'
    interval_literal,   // INTERVAL 'text' qualifier (text, qualifier)
    subquery,           // (SELECT ...)
    exists,             // EXISTS (SELECT ...)
    bind,               // :name
};

struct expr {
    expr_kind kind;
    std::string text;
    std::vector<std::string> parts;  // name parts, resolved case
    std::vector<std::unique_ptr<expr>> args;
    std::unique_ptr<select_stmt> sub;
    std::string qualifier;  // INTERVAL qualifier, e.g. "DAY(2) TO SECOND(6)"
    bool negated = false;
    bool distinct = false;
    bool has_operand = false;  // CASE x WHEN ...
    bool has_else = false;
    size_t first_token = 0;  // source token range [first_token, last_token)
    size_t last_token = 0;
    int line = 0;

    explicit expr(expr_kind k) : kind(k) {}
};
using expr_ptr = std::unique_ptr<expr>;

struct select_item {
    expr_ptr value;     // kind star for * and t.*
    std::string alias;  // empty when none
    bool has_alias = false;
};

enum class join_kind { comma, inner, left, right, full, cross };

struct table_ref {
    std::vector<std::string> name;  // [schema,] table; empty for a subquery
    std::unique_ptr<select_stmt> sub;
    std::string alias;
    join_kind join = join_kind::comma;  // how it joins the refs before it
    expr_ptr on;
    int line = 0;
};

struct order_item {
    expr_ptr value;
    bool descending = false;
    int nulls = 0;  // 0 default, 1 NULLS FIRST, 2 NULLS LAST
};

struct select_core {
    bool distinct = false;
    std::vector<select_item> items;
    std::vector<table_ref> from;
    expr_ptr where;
    expr_ptr connect_by;  // CONNECT BY condition (row generation only)
    std::vector<expr_ptr> group_by;
    expr_ptr having;
};

struct select_stmt {
    select_core first;
    std::vector<std::pair<std::string, select_core>> compounds;  // "UNION", "UNION ALL", "INTERSECT", "MINUS"
    std::vector<order_item> order_by;
};

}  // namespace ocilite
