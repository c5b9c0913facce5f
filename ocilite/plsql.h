// The PL/SQL that install scripts and simple triggers use, read into a small program and run:
// blocks with DECLAREd scalar variables, assignments, IF / ELSIF / ELSE, FOR loops over a range,
// SQL statements, SELECT ... INTO, EXECUTE IMMEDIATE, COMMIT, NULL, RAISE_APPLICATION_ERROR,
// DBMS_OUTPUT.PUT_LINE and exception handlers. Anything else reads as a step that fails with
// "not supported by ocilite" when it is reached, so branches never taken do not stop a script.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ocilite/expr_eval.h"
#include "ocilite/sql_lexer.h"

namespace ocilite {

// PL/SQL variables and record fields by key (see value_scope); an inner block's scope looks
// outward for names it does not declare.
class plsql_scope : public value_scope {
public:
    explicit plsql_scope(plsql_scope* parent = nullptr) : parent_(parent) {}
    bool has(const std::string& key) const override;
    ora_value get(const std::string& key) const override;
    void declare(const std::string& key, ora_value v) { vars_[key] = std::move(v); }
    void set(const std::string& key, ora_value v);  // ORA-06550 for an undeclared name

private:
    std::map<std::string, ora_value> vars_;
    plsql_scope* parent_;
};

// What a running program needs from the store.
class block_host {
public:
    virtual ~block_host() = default;
    // A SQL statement: tokens end with an end token, offsets point into source.
    virtual void execute(const std::vector<token>& statement, std::string_view source, const value_scope* scope) = 0;
    // The single row of a query (ORA-01403 none, ORA-01422 more than one).
    virtual std::vector<ora_value> query_row(const std::vector<token>& query, std::string_view source,
                                             const value_scope* scope) = 0;
    virtual void put_line(const std::string& text) = 0;
    virtual void commit() = 0;
    virtual const eval_context& context() = 0;
    // Statement-level atomicity inside a block: a failing statement leaves nothing behind.
    virtual void savepoint() = 0;
    virtual void release_savepoint() = 0;
    virtual void rollback_to_savepoint() = 0;
};

class plsql_program {
public:
    // Reads [DECLARE ...] BEGIN ... END [name] [;] from tokens[begin, end). Throws sql_error for
    // text that is no block.
    static plsql_program parse(const std::vector<token>& tokens, size_t begin, size_t end, std::string_view source);
    // A trigger body; `row` names the trigger's :NEW / :OLD fields so they compile as values.
    void run(block_host& host, plsql_scope& scope) const;

    struct step;
    plsql_program();
    plsql_program(plsql_program&&) noexcept;
    plsql_program& operator=(plsql_program&&) noexcept;
    ~plsql_program();

private:
    std::unique_ptr<step> root_;
    std::shared_ptr<std::vector<token>> tokens_;
    std::string source_;
};

}  // namespace ocilite
