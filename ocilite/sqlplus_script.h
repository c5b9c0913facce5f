// Runs SQL*Plus scripts as SQL*Plus does: its commands (REM, PROMPT, SET, DEFINE, ACCEPT,
// COLUMN ... NEW_VALUE, WHENEVER SQLERROR, CONNECT, EXIT, @ and @@, ...) are honoured or
// skipped with a note, substitution variables (&name, &&name, &1) are replaced in every line,
// and a failing statement is reported and the script goes on unless WHENEVER SQLERROR EXIT
// says otherwise.
#pragma once

#include <sqlite3.h>

#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ocilite/load_script.h"

namespace ocilite {

class sqlplus_runner {
public:
    // out: PROMPT texts, query rows, DBMS_OUTPUT; err: errors and notes.
    sqlplus_runner(sqlite3* db, std::ostream& out, std::ostream& err);

    void define(const std::string& name, const std::string& value);  // -D name=value
    void set_arguments(std::vector<std::string> args);               // &1, &2, ...

    // Runs one script file (a missing file is an error). False once EXIT or WHENEVER SQLERROR
    // EXIT has ended the run: later scripts are not to be run.
    bool run_file(const std::string& path);
    // Runs script text; name is the file name errors carry, dir the folder @@ is relative to.
    bool run_text(std::string_view text, const std::string& name, const std::string& dir);

    int failures() const { return failures_; }
    // 0 when every statement ran; otherwise the EXIT code, or 1 when that is 0.
    int exit_status() const;

private:
    struct script_state;
    bool run_script(std::string_view text, const std::string& name, const std::string& dir, int depth);
    bool command(script_state& s, const std::string& line, int line_no);
    bool run_buffer(script_state& s);
    // Runs a statement; rerun_line: the '/' line that runs the SQL buffer again (0 for a new
    // statement), which its errors are reported at.
    bool run_statement(script_state& s, const std::string& text, int first, int rerun_line);
    bool fail(script_state& s, int line, const std::string& message, int code);
    void note(script_state& s, int line, const std::string& what);
    std::string substitute(script_state& s, const std::string& line, int line_no, bool* ok);
    bool run_nested(script_state& s, const std::string& rest, bool relative_to_script, int line_no);
    void show_rows();
    int exit_code_for(int ora_code) const;
    std::optional<std::string> predefined(const std::string& name);

    script_loader loader_;
    std::ostream& out_;
    std::ostream& err_;
    std::map<std::string, std::string> defines_;  // upper-case names
    std::vector<std::string> args_;
    std::map<std::string, std::string> new_values_;  // column (upper) -> variable, COLUMN ... NEW_VALUE
    std::set<std::string> noprint_;                  // COLUMN ... NOPRINT
    bool heading_ = true;
    std::set<std::string> noted_;
    bool define_on_ = true;
    char define_char_ = '&';
    char concat_char_ = '.';
    bool exit_on_error_ = false;
    std::string exit_on_error_code_ = "FAILURE";
    bool stopped_ = false;
    int exit_code_ = 0;
    int failures_ = 0;
    int last_error_ = 0;  // the last failure's ORA number, for EXIT SQL.SQLCODE
    // After a failed CONNECT no statement runs until a CONNECT succeeds.
    bool connected_ = true;
    // SQL*Plus's SQL buffer: the last statement entered (run, or ended by '.'), which a '/'
    // line on its own runs again.
    std::string sql_buffer_;
    int sql_buffer_line_ = 0;
};

}  // namespace ocilite
