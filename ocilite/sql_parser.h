// Recursive-descent reader of Oracle expressions and SELECT statements over a token list. The
// loader's DDL reader uses the same cursor for its own statements.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ocilite/sql_ast.h"
#include "ocilite/sql_lexer.h"

namespace ocilite {

class sql_parser {
public:
    // tokens must outlive the parser and end with a token of kind end (tokenize() does that).
    explicit sql_parser(const std::vector<token>& tokens, size_t start = 0) : t_(tokens), pos_(start) {}

    // Cursor.
    const token& peek(size_t ahead = 0) const;
    const token& next();
    size_t position() const { return pos_; }
    void seek(size_t pos) { pos_ = pos; }
    bool at_end() const;  // end of input, ';' or a '/' line
    bool accept_word(std::string_view upper);
    bool accept_symbol(std::string_view s);
    void expect_word(std::string_view upper);  // ORA-00905 missing keyword
    void expect_symbol(std::string_view s);    // ORA-00907 for ")", else ORA-00936
    void expect_end();                         // ORA-00933
    // An identifier (quoted or not) as Oracle resolves it; ORA-00904 / ORA-00903 otherwise.
    std::string identifier(bool for_table = false);
    bool peek_identifier() const;
    int integer();  // an unsigned integer literal

    // Grammar.
    expr_ptr expression();
    std::unique_ptr<select_stmt> select();  // at SELECT (or a parenthesised query)

    const std::vector<token>& tokens() const { return t_; }

private:
    expr_ptr or_expr();
    expr_ptr and_expr();
    expr_ptr not_expr();
    expr_ptr comparison();
    expr_ptr additive();
    expr_ptr multiplicative();
    expr_ptr unary();
    expr_ptr primary();
    expr_ptr function_call(std::string name, size_t first);
    expr_ptr case_expr(size_t first);
    void expression_list(std::vector<expr_ptr>& out);  // expr {, expr}
    std::string interval_qualifier();
    select_core core();
    void from_clause(select_core& c);
    table_ref table_reference();
    bool is_alias_candidate() const;
    expr_ptr finish(expr_ptr e, size_t first);

    const std::vector<token>& t_;
    size_t pos_;
};

// Words that end a select item or a table reference instead of naming an alias.
bool is_clause_word(std::string_view upper);

// The first construct in tokens[first, last) that ocilite's reader or translator lacks, named as
// users know it ("LISTAGG", "GROUPING SETS", "analytic functions (OVER)", ...); empty when none.
std::string unsupported_construct(const std::vector<token>& tokens, size_t first, size_t last);

}  // namespace ocilite
