#include "ocilite/sqlplus_script.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "compat/text/text.h"
#include "ocilite/ora_datetime.h"
#include "ocilite/ora_errors.h"
#include "ocilite/store.h"

namespace ocilite {

namespace {

constexpr int max_nesting = 20;

std::string trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return std::string(s.substr(b, e - b));
}

std::string upper(std::string_view s) { return compat::to_upper_utf8(s); }

// True when word is an abbreviation of full of at least min letters (SQL*Plus's rule).
bool abbrev(const std::string& word, std::string_view full, size_t min) {
    return word.size() >= min && word.size() <= full.size() && full.substr(0, word.size()) == word;
}

// Words of a command line; quoted parts ('...' or "...") stay one word, without their quotes.
std::vector<std::string> words_of(std::string_view s) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        if (i >= s.size()) break;
        std::string w;
        if (s[i] == '\'' || s[i] == '"') {
            char q = s[i++];
            while (i < s.size()) {
                if (s[i] == q) {
                    if (i + 1 < s.size() && s[i + 1] == q) {
                        w += q;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                w += s[i++];
            }
        } else {
            while (i < s.size() && s[i] != ' ' && s[i] != '\t') w += s[i++];
        }
        out.push_back(w);
    }
    return out;
}

std::string first_word(std::string_view line) {
    size_t e = 0;
    while (e < line.size() && line[e] != ' ' && line[e] != '\t' && line[e] != ';') ++e;
    return upper(line.substr(0, e));
}

std::string after_first_word(std::string_view line) {
    size_t e = 0;
    while (e < line.size() && line[e] != ' ' && line[e] != '\t') ++e;
    return trim(line.substr(e));
}

bool read_text(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buf;
    buf << in.rdbuf();
    out = buf.str();
    return !in.bad();
}

// SQL*Plus command words and the fewest letters each may be cut to; the ones that only shape
// output on a terminal are noted and skipped.
struct command_word {
    std::string_view full;
    size_t min;
    bool effect;  // false: noted and skipped
};
constexpr command_word commands[] = {
    {"REMARK", 3, true},     {"PROMPT", 3, true},     {"SET", 3, true},        {"DEFINE", 3, true},
    {"UNDEFINE", 5, true},   {"ACCEPT", 3, true},     {"COLUMN", 3, true},     {"WHENEVER", 8, true},
    {"EXIT", 4, true},       {"QUIT", 4, true},       {"CONNECT", 4, true},    {"EXECUTE", 4, true},
    {"START", 3, true},      {"SPOOL", 3, false},     {"SHOW", 3, false},      {"PAUSE", 3, false},
    {"CLEAR", 2, false},     {"TTITLE", 3, false},    {"BTITLE", 3, false},    {"BREAK", 3, false},
    {"COMPUTE", 4, false},   {"DESCRIBE", 4, false},  {"HOST", 2, false},      {"TIMING", 4, false},
    {"VARIABLE", 3, false},  {"PRINT", 3, false},     {"PASSWORD", 5, false},  {"DISCONNECT", 4, false},
    {"REPHEADER", 4, false}, {"REPFOOTER", 4, false}, {"ATTRIBUTE", 4, false}, {"STORE", 3, false},
    {"SAVE", 3, false},      {"GET", 3, false},       {"EDIT", 2, false},      {"SHUTDOWN", 8, false},
    {"STARTUP", 7, false},   {"ARCHIVE", 7, false},   {"RECOVER", 7, false},   {"COPY", 4, false},
    {"XQUERY", 6, false},    {"HISTORY", 4, false},   {"ORADEBUG", 8, false},
};

const command_word* find_command(const std::string& word) {
    for (const auto& c : commands)
        if (abbrev(word, c.full, c.min)) return &c;
    return nullptr;
}

}  // namespace

struct sqlplus_runner::script_state {
    std::string name, dir;
    int depth = 0;
    std::string buffer;
    int buffer_line = 0;
    enum class mode { undecided, sql, plsql } m = mode::undecided;
    bool in_string = false, in_comment = false, in_quoted_name = false;
    bool poisoned = false;  // a substitution failed: the statement is not run
    char q_close = 0;       // inside q'X...X': the closing delimiter

    void reset() {
        buffer.clear();
        buffer_line = 0;
        m = mode::undecided;
        in_string = in_comment = in_quoted_name = poisoned = false;
        q_close = 0;
    }
};

sqlplus_runner::sqlplus_runner(sqlite3* db, std::ostream& out, std::ostream& err) : loader_(db), out_(out), err_(err) {
    loader_.session().output = &out_;
}

void sqlplus_runner::define(const std::string& name, const std::string& value) { defines_[upper(name)] = value; }

void sqlplus_runner::set_arguments(std::vector<std::string> args) { args_ = std::move(args); }

int sqlplus_runner::exit_status() const {
    if (failures_ == 0) return exit_code_;
    return exit_code_ != 0 ? exit_code_ : 1;
}

bool sqlplus_runner::run_file(const std::string& path) {
    std::string text;
    if (!read_text(path, text)) {
        err_ << "ocilite-load: cannot read " << path << "\n";
        ++failures_;
        return !exit_on_error_;
    }
    std::string dir = std::filesystem::path(path).parent_path().string();
    return run_script(text, path, dir.empty() ? "." : dir, 0);
}

bool sqlplus_runner::run_text(std::string_view text, const std::string& name, const std::string& dir) {
    return run_script(text, name, dir, 0);
}

bool sqlplus_runner::fail(script_state& s, int line, const std::string& message, int code) {
    err_ << "ocilite-load: " << s.name << ": line " << line << ": " << message << "\n";
    ++failures_;
    last_error_ = code;
    if (!exit_on_error_) return true;
    exit_code_ = exit_code_for(code);
    stopped_ = true;
    return false;
}

void sqlplus_runner::note(script_state& s, int line, const std::string& what) {
    if (!noted_.insert(what).second) return;
    err_ << "ocilite-load: " << s.name << ": line " << line << ": note: " << what
         << " has no effect on a store; skipped\n";
}

// SQL*Plus's own variables, when a script has not defined them.
std::optional<std::string> sqlplus_runner::predefined(const std::string& name) {
    if (name == "_USER") return loader_.session().user.empty() ? schema_owner(loader_.db()) : loader_.session().user;
    if (name == "_CONNECT_IDENTIFIER") return std::string("ocilite");
    if (name == "_DATE") return format_datetime(ora_datetime::now(false), "DD-MON-RR");
    if (name == "_PRIVILEGE" || name == "_RC") return std::string();
    if (name == "_O_VERSION") return meta_value(loader_.db(), "banner").value_or(default_banner);
    if (name == "_O_RELEASE") return std::string("1900000000");
    if (name == "_SQLPLUS_RELEASE") return std::string("1900000000");
    if (name == "_EDITOR") return std::string("ed");
    return std::nullopt;
}

int sqlplus_runner::exit_code_for(int ora_code) const {
    const std::string& c = exit_on_error_code_;
    if (c == "SUCCESS") return 0;
    if (c == "WARNING") return 2;
    if (c == "SQL.SQLCODE") return ora_code % 256 ? ora_code % 256 : 1;
    if (!c.empty() && c.find_first_not_of("0123456789") == std::string::npos) return std::atoi(c.c_str()) % 256;
    auto it = defines_.find(c);
    if (it != defines_.end()) return std::atoi(it->second.c_str()) % 256;
    return 1;
}

std::string sqlplus_runner::substitute(script_state& s, const std::string& line, int line_no, bool* ok) {
    *ok = true;
    if (!define_on_ || line.find(define_char_) == std::string::npos) return line;
    std::string out;
    bool in_string = s.in_string;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\'') in_string = !in_string;
        if (!in_string && c == '-' && i + 1 < line.size() && line[i + 1] == '-') {
            out.append(line, i, std::string::npos);  // a comment: left as written
            break;
        }
        if (c != define_char_) {
            out += c;
            continue;
        }
        size_t j = i + 1;
        if (j < line.size() && line[j] == define_char_) ++j;
        size_t b = j;
        while (j < line.size() && (std::isalnum(static_cast<unsigned char>(line[j])) || line[j] == '_' ||
                                   line[j] == '$' || line[j] == '#'))
            ++j;
        if (j == b) {
            out += c;
            continue;
        }
        std::string name = upper(line.substr(b, j - b));
        std::string value;
        bool found = false;
        if (name.find_first_not_of("0123456789") == std::string::npos) {
            size_t n = std::stoul(name);
            if (n >= 1 && n <= args_.size()) {
                value = args_[n - 1];
                found = true;
            }
        } else if (auto it = defines_.find(name); it != defines_.end()) {
            value = it->second;
            found = true;
        } else if (auto pre = predefined(name)) {
            value = *pre;
            found = true;
        }
        if (!found) {
            bool positional = name.find_first_not_of("0123456789") == std::string::npos;
            fail(s, line_no,
                 "substitution variable &" + name + " is not defined (" +
                     (positional ? "give it as script argument " + name : "give -D " + name + "=value") + ")",
                 0);
            *ok = false;
            return line;
        }
        out += value;
        if (j < line.size() && line[j] == concat_char_) ++j;
        i = j - 1;
    }
    return out;
}

bool sqlplus_runner::run_script(std::string_view text, const std::string& name, const std::string& dir, int depth) {
    script_state s;
    s.name = name;
    s.dir = dir;
    s.depth = depth;
    std::vector<std::string> lines;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte-order mark from an editor
    {
        size_t start = 0;
        while (start <= text.size()) {
            size_t nl = text.find('\n', start);
            std::string l(text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start));
            if (!l.empty() && l.back() == '\r') l.pop_back();
            lines.push_back(std::move(l));
            if (nl == std::string_view::npos) break;
            start = nl + 1;
        }
    }
    bool leading_comment = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        int line_no = static_cast<int>(i + 1);
        const std::string& raw = lines[i];
        std::string trimmed = trim(raw);
        if (s.buffer.empty()) {
            if (leading_comment) {
                if (trimmed.find("*/") != std::string::npos) leading_comment = false;
                continue;
            }
            if (trimmed == "/") {
                // Nothing being entered: '/' runs the SQL buffer again.
                if (!sql_buffer_.empty() && !run_statement(s, sql_buffer_, sql_buffer_line_, line_no)) return false;
                continue;
            }
            if (trimmed.empty() || trimmed.rfind("--", 0) == 0 || trimmed == ".") continue;
            if (trimmed.rfind("/*", 0) == 0) {
                if (trimmed.find("*/", 2) == std::string::npos) leading_comment = true;
                continue;
            }
            std::string word = first_word(trimmed);
            bool sql_set = word == "SET" && (first_word(after_first_word(trimmed)) == "ROLE" ||
                                             first_word(after_first_word(trimmed)) == "TRANSACTION" ||
                                             first_word(after_first_word(trimmed)) == "CONSTRAINTS" ||
                                             first_word(after_first_word(trimmed)) == "CONSTRAINT");
            if (trimmed[0] == '@' || (!sql_set && find_command(word))) {
                // A command continues on the next line when it ends with '-'.
                std::string cmd = trimmed;
                while (!cmd.empty() && cmd.back() == '-' && i + 1 < lines.size()) {
                    cmd.pop_back();
                    cmd += " " + trim(lines[++i]);
                }
                if (!command(s, cmd, line_no)) return false;
                continue;
            }
        }
        // A '/' line runs the statement; a '.' line ends it without running it.
        if (trimmed == "/") {
            if (!run_buffer(s)) return false;
            continue;
        }
        if (trimmed == ".") {
            // Ends the statement without running it; it stays in the SQL buffer.
            if (!s.poisoned && !trim(s.buffer).empty()) {
                sql_buffer_ = s.buffer;
                sql_buffer_line_ = s.buffer_line;
            }
            s.reset();
            continue;
        }
        bool ok = true;
        std::string line = substitute(s, raw, line_no, &ok);
        if (!ok) {
            if (exit_on_error_) return false;
            s.poisoned = true;
        }
        if (s.buffer.empty()) s.buffer_line = line_no;
        s.buffer += line;
        s.buffer += '\n';
        // Where SQL text ends: ';' closing a line outside literals and comments.
        bool ends_with_semicolon = false;
        for (size_t k = 0; k < line.size(); ++k) {
            char c = line[k];
            if (s.in_comment) {
                if (c == '*' && k + 1 < line.size() && line[k + 1] == '/') {
                    s.in_comment = false;
                    ++k;
                }
                continue;
            }
            if (s.in_string) {
                if (s.q_close ? (c == s.q_close && k + 1 < line.size() && line[k + 1] == '\'') : c == '\'') {
                    s.in_string = false;
                    if (s.q_close) ++k;
                    s.q_close = 0;
                }
                continue;
            }
            if (s.in_quoted_name) {
                if (c == '"') s.in_quoted_name = false;
                continue;
            }
            if (c == '\'') {
                s.in_string = true;
                // q'[...]': only the closing delimiter and quote end it.
                bool q = k > 0 && (line[k - 1] == 'q' || line[k - 1] == 'Q') &&
                         (k < 2 || !(std::isalnum(static_cast<unsigned char>(line[k - 2])) || line[k - 2] == '_'));
                if (q && k + 1 < line.size()) {
                    char open = line[++k];
                    s.q_close = open == '[' ? ']' : open == '{' ? '}' : open == '<' ? '>' : open == '(' ? ')' : open;
                }
            } else if (c == '"') {
                s.in_quoted_name = true;
            } else if (c == '-' && k + 1 < line.size() && line[k + 1] == '-') {
                break;
            } else if (c == '/' && k + 1 < line.size() && line[k + 1] == '*') {
                s.in_comment = true;
                ++k;
                continue;
            } else if (c == ';') {
                ends_with_semicolon = true;
                continue;
            }
            if (c != ' ' && c != '\t') ends_with_semicolon = false;
        }
        if (s.in_string || s.in_comment || s.in_quoted_name) ends_with_semicolon = false;
        if (s.m == script_state::mode::undecided) {
            lex_error lex{};
            bool failed = false;
            std::vector<token> tokens = tokenize_prefix(s.buffer, &lex, &failed);
            if (starts_plsql(tokens, 0))
                s.m = script_state::mode::plsql;
            else if (tokens.size() > 4 || ends_with_semicolon)
                s.m = script_state::mode::sql;
        }
        if (s.m == script_state::mode::sql && ends_with_semicolon && !run_buffer(s)) return false;
    }
    if (!s.buffer.empty() && !run_buffer(s)) return false;
    return !stopped_;
}

bool sqlplus_runner::run_buffer(script_state& s) {
    std::string text = std::move(s.buffer);
    int first = s.buffer_line;
    bool poisoned = s.poisoned;
    s.reset();
    if (poisoned || trim(text).empty()) return !stopped_;
    sql_buffer_ = text;
    sql_buffer_line_ = first;
    return run_statement(s, text, first, 0);
}

bool sqlplus_runner::run_statement(script_state& s, const std::string& text, int first, int rerun_line) {
    if (!connected_) return fail(s, rerun_line ? rerun_line : first, "SP2-0640: Not connected", 0);
    try {
        loader_.run(text, first);
    } catch (const sql_error& e) {
        loader_.session().notes.clear();
        return fail(s, rerun_line ? rerun_line : e.line, e.message, e.code);
    } catch (const store_error& e) {
        loader_.session().notes.clear();
        return fail(s, rerun_line ? rerun_line : first, e.message, 0);
    }
    for (const auto& n : loader_.session().notes)
        err_ << "ocilite-load: " << s.name << ": line " << first << ": note: " << n << "\n";
    loader_.session().notes.clear();
    show_rows();
    return !stopped_;
}

// A query's rows as SQL*Plus shows them (columns apart by blanks), and the COLUMN ... NEW_VALUE
// variables taken from its last row.
void sqlplus_runner::show_rows() {
    const query_rows& q = loader_.last_query();
    if (q.columns.empty()) return;
    std::vector<size_t> shown;
    for (size_t i = 0; i < q.columns.size(); ++i)
        if (!noprint_.count(upper(q.columns[i]))) shown.push_back(i);
    if (!shown.empty()) {
        if (heading_) {
            for (size_t k = 0; k < shown.size(); ++k) out_ << (k ? " " : "") << q.columns[shown[k]];
            out_ << "\n";
        }
        for (const auto& row : q.rows) {
            for (size_t k = 0; k < shown.size(); ++k) out_ << (k ? " " : "") << row[shown[k]].value_or("");
            out_ << "\n";
        }
    }
    if (q.rows.empty()) return;
    for (size_t i = 0; i < q.columns.size(); ++i) {
        auto it = new_values_.find(upper(q.columns[i]));
        if (it != new_values_.end()) defines_[it->second] = q.rows.back()[i].value_or("");
    }
}

bool sqlplus_runner::run_nested(script_state& s, const std::string& rest, bool relative_to_script, int line_no) {
    std::vector<std::string> w = words_of(rest);
    if (w.empty()) return fail(s, line_no, "SP2-1506: START, @ or @@ command has no arguments", 0);
    namespace fs = std::filesystem;
    fs::path file(w[0]);
    if (!file.has_extension()) file += ".sql";
    fs::path path = file;
    if (file.is_relative()) {
        path = fs::path(s.dir) / file;
        if (!relative_to_script && !fs::exists(path) && fs::exists(file)) path = file;
    }
    if (s.depth + 1 >= max_nesting) return fail(s, line_no, "scripts nested too deeply", 0);
    std::string text;
    if (!read_text(path.string(), text))
        return fail(s, line_no, "SP2-0310: unable to open file \"" + path.string() + "\"", 0);
    if (w.size() > 1) args_.assign(w.begin() + 1, w.end());
    std::string dir = path.parent_path().string();
    return run_script(text, path.string(), dir.empty() ? "." : dir, s.depth + 1);
}

bool sqlplus_runner::command(script_state& s, const std::string& raw, int line_no) {
    if (raw.starts_with('@')) {  // @ and @@
        bool ok = true;
        std::string line = substitute(s, raw, line_no, &ok);
        if (!ok) return !exit_on_error_;
        bool relative = line.rfind("@@", 0) == 0;
        return run_nested(s, trim(line.substr(relative ? 2 : 1)), relative, line_no);
    }
    std::string word = first_word(raw);
    const command_word* c = find_command(word);
    if (c->full == "REMARK") return true;
    bool ok = true;
    std::string line = substitute(s, raw, line_no, &ok);
    if (!ok) return !exit_on_error_;
    // A command may end with ';' (PROMPT prints it).
    if (c->full != "PROMPT")
        while (!line.empty() && (line.back() == ';' || line.back() == ' ')) line.pop_back();
    std::string rest = after_first_word(line);
    std::vector<std::string> w = words_of(rest);
    auto option = [&](size_t i) { return i < w.size() ? upper(w[i]) : std::string(); };
    if (!c->effect) {
        note(s, line_no, std::string(c->full));
        return true;
    }
    if (c->full == "PROMPT") {
        out_ << rest << "\n";
        return true;
    }
    if (c->full == "START") return run_nested(s, rest, false, line_no);
    if (c->full == "SET") {
        std::string o = option(0);
        std::string v = option(1);
        if (abbrev(o, "DEFINE", 3)) {
            if (v == "OFF") {
                define_on_ = false;
            } else if (v == "ON") {
                define_on_ = true;
            } else if (!v.empty()) {
                define_on_ = true;
                define_char_ = w[1][0];
            }
        } else if (abbrev(o, "SERVEROUTPUT", 9)) {
            loader_.session().server_output = v == "ON";
        } else if (abbrev(o, "CONCAT", 3)) {
            if (v == "OFF" || v == "ON")
                concat_char_ = v == "ON" ? '.' : '\0';
            else if (!v.empty())
                concat_char_ = w[1][0];
        } else if (abbrev(o, "HEADING", 3) && (v == "ON" || v == "OFF")) {
            heading_ = v == "ON";
        } else if (abbrev(o, "SQLBLANKLINES", 5) && v == "ON") {
            // Blank lines never end a statement here.
        } else {
            note(s, line_no, "SET " + o);
        }
        return true;
    }
    if (c->full == "DEFINE") {
        size_t eq = rest.find('=');
        if (eq == std::string::npos) {
            if (!rest.empty()) {
                std::string name = upper(trim(rest));
                auto it = defines_.find(name);
                if (it == defines_.end()) return fail(s, line_no, "SP2-0135: symbol " + name + " is UNDEFINED", 0);
                out_ << "DEFINE " << name << " = \"" << it->second << "\" (CHAR)\n";
            }
            return true;
        }
        std::string name = upper(trim(rest.substr(0, eq)));
        std::string value = trim(rest.substr(eq + 1));
        std::vector<std::string> vw = words_of(value);
        if (!value.empty() && (value[0] == '\'' || value[0] == '"') && !vw.empty()) value = vw[0];
        defines_[name] = value;
        return true;
    }
    if (c->full == "UNDEFINE") {
        for (const auto& n : w) defines_.erase(upper(n));
        return true;
    }
    if (c->full == "ACCEPT") {
        if (w.empty()) return fail(s, line_no, "SP2-0003: ill-formed ACCEPT command", 0);
        std::string name = upper(w[0]);
        if (defines_.count(name)) return true;
        for (size_t i = 1; i + 1 < w.size(); ++i) {
            if (abbrev(upper(w[i]), "DEFAULT", 3)) {
                defines_[name] = w[i + 1];
                return true;
            }
        }
        return fail(s, line_no,
                    "ACCEPT " + name + ": no value (ACCEPT does not prompt here; give -D " + name + "=value)", 0);
    }
    if (c->full == "COLUMN") {
        if (w.empty()) return true;
        std::string column = upper(w[0]);
        bool known = false;
        for (size_t i = 1; i < w.size(); ++i) {
            std::string o = upper(w[i]);
            if ((abbrev(o, "NEW_VALUE", 5) || abbrev(o, "OLD_VALUE", 5)) && i + 1 < w.size()) {
                new_values_[column] = upper(w[++i]);
                known = true;
            } else if (abbrev(o, "NOPRINT", 4)) {
                noprint_.insert(column);
                known = true;
            } else if (o == "PRINT") {
                noprint_.erase(column);
                known = true;
            } else if (o == "CLEAR") {
                new_values_.erase(column);
                noprint_.erase(column);
                known = true;
            }
        }
        if (!known) note(s, line_no, "COLUMN formatting");
        return true;
    }
    if (c->full == "WHENEVER") {
        std::string what = option(0), action = option(1);
        if (what == "OSERROR") {
            note(s, line_no, "WHENEVER OSERROR");
            return true;
        }
        if (what != "SQLERROR") return fail(s, line_no, "SP2-0591: unable to parse WHENEVER command", 0);
        exit_on_error_ = action == "EXIT";
        std::string code = option(2);
        exit_on_error_code_ = code.empty() || code == "COMMIT" || code == "ROLLBACK" ? "FAILURE" : code;
        return true;
    }
    if (c->full == "EXIT" || c->full == "QUIT") {
        std::string code = option(0);
        if (code.empty() || code == "SUCCESS" || code == "COMMIT" || code == "ROLLBACK")
            exit_code_ = 0;
        else if (code == "FAILURE")
            exit_code_ = 1;  // NOLINT(bugprone-branch-clone): named before a substitution variable can be
        else if (code == "WARNING")
            exit_code_ = 2;
        else if (code == "SQL.SQLCODE")
            exit_code_ = last_error_ % 256 ? last_error_ % 256 : (last_error_ ? 1 : 0);
        else if (code.find_first_not_of("0123456789") == std::string::npos)
            exit_code_ = std::atoi(code.c_str()) % 256;
        else if (defines_.count(code))
            exit_code_ = std::atoi(defines_[code].c_str()) % 256;
        else
            exit_code_ = 1;
        stopped_ = true;
        return false;
    }
    if (c->full == "CONNECT") {
        // CONNECT user[/password][@service] [AS SYSDBA]: switches the current user.
        std::string spec = w.empty() ? std::string() : w[0];
        size_t at = spec.find('@');
        if (at != std::string::npos) spec = spec.substr(0, at);
        size_t slash = spec.find('/');
        std::string user = slash == std::string::npos ? spec : spec.substr(0, slash);
        std::optional<std::string> password;
        if (slash != std::string::npos) password = spec.substr(slash + 1);
        if (!user.empty() && user.front() == '"' && user.back() == '"' && user.size() > 1)
            user = user.substr(1, user.size() - 2);
        else
            user = upper(user);
        if (user.empty()) user = "SYS";
        if (is_user(loader_.db(), user)) {
            sqlite_stmt pw(loader_.db(), "SELECT password FROM ocilite_users WHERE username=?");
            pw.bind(1, user);
            if (password && (!pw.step() || pw.text(0) != *password)) {
                connected_ = false;
                return fail(s, line_no, "ORA-01017: invalid username/password; logon denied", 1017);
            }
        } else if (user != "SYS" && user != "SYSTEM" && user != "ADMIN") {
            connected_ = false;
            return fail(s, line_no, "ORA-01017: invalid username/password; logon denied", 1017);
        }
        connected_ = true;
        loader_.session().user = user;
        return true;
    }
    if (c->full == "EXECUTE") {
        std::string body = trim(rest);
        while (!body.empty() && body.back() == ';') body.pop_back();
        std::string block = "BEGIN " + body + "; END;";
        if (!connected_) return fail(s, line_no, "SP2-0640: Not connected", 0);
        try {
            loader_.run(block, line_no);
        } catch (const sql_error& e) {
            return fail(s, line_no, e.message, e.code);
        } catch (const store_error& e) {
            return fail(s, line_no, e.message, 0);
        }
        return true;
    }
    note(s, line_no, std::string(c->full));
    return true;
}

}  // namespace ocilite
