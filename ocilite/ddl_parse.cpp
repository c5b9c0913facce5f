#include "ocilite/ddl.h"

#include "ocilite/ora_errors.h"

namespace ocilite {

namespace {

std::string source_text(const sql_parser& p, std::string_view source, size_t first, size_t last) {
    const auto& t = p.tokens();
    if (last <= first) return {};
    size_t b = t[first].begin, e = t[last - 1].end;
    return std::string(source.substr(b, e - b));
}

std::vector<std::string> column_list(sql_parser& p) {
    std::vector<std::string> cols;
    p.expect_symbol("(");
    do {
        if (p.peek(1).is_symbol("(") || (!p.peek_identifier() && !p.peek().is_symbol(")")))
            raise_unsupported("indexes on expressions", p.peek().line);
        cols.push_back(p.identifier());
        // Index columns may carry a direction; the store keeps the column only.
        if (!p.accept_word("ASC")) p.accept_word("DESC");
    } while (p.accept_symbol(","));
    p.expect_symbol(")");
    return cols;
}

void references_clause(sql_parser& p, constraint_def& c, const name_context& names) {
    p.expect_word("REFERENCES");
    c.type = 'R';
    c.ref_table = parse_object_name(p, names);
    if (p.peek().is_symbol("(")) c.ref_columns = column_list(p);
    if (p.accept_word("ON")) {
        p.expect_word("DELETE");
        if (p.accept_word("CASCADE")) {
            c.delete_rule = "CASCADE";
        } else {
            p.expect_word("SET");
            p.expect_word("NULL");
            c.delete_rule = "SET NULL";
        }
    }
}

// Constraint state words that may follow a constraint and change nothing here.
void constraint_state(sql_parser& p) {
    while (p.accept_word("ENABLE") || p.accept_word("VALIDATE") || p.accept_word("NOVALIDATE") ||
           p.accept_word("DEFERRABLE") || p.accept_word("RELY") || p.accept_word("NORELY")) {
    }
    if (p.peek().is_word("USING") && p.peek(1).is_word("INDEX")) {
        p.next();
        p.next();
        skip_storage_clauses(p);
    }
}

void check_clause(sql_parser& p, std::string_view source, constraint_def& c) {
    c.type = 'C';
    p.expect_symbol("(");
    size_t first = p.position();
    p.expression();
    c.search_condition = source_text(p, source, first, p.position());
    p.expect_symbol(")");
}

column_def column_definition(sql_parser& p, std::string_view source, std::vector<constraint_def>& constraints,
                             const name_context& names) {
    column_def col;
    col.line = p.peek().line;
    col.name = p.identifier();
    // The pseudo-column's name: no column takes ROWID in upper case, quoted or not.
    if (col.name == "ROWID") raise_invalid_identifier(col.name, col.line);
    col.type = parse_column_type(p);
    while (!p.at_end() && !p.peek().is_symbol(",") && !p.peek().is_symbol(")")) {
        if (p.accept_word("GENERATED")) {
            col.identity = parse_identity(p, source);
            col.not_null = true;
            continue;
        }
        if (p.accept_word("SORT") || p.accept_word("VISIBLE") || p.accept_word("INVISIBLE")) continue;
        if (p.accept_word("DEFAULT")) {
            size_t first = p.position();
            p.expression();
            col.default_text = source_text(p, source, first, p.position());
            continue;
        }
        if (p.accept_word("NULL")) {
            col.not_null = false;
            continue;
        }
        constraint_def c;
        c.line = p.peek().line;
        if (p.accept_word("CONSTRAINT")) c.name = p.identifier();
        if (p.accept_word("NOT")) {
            p.expect_word("NULL");
            col.not_null = true;
            constraint_state(p);
            continue;
        }
        if (p.accept_word("PRIMARY")) {
            p.expect_word("KEY");
            c.type = 'P';
        } else if (p.accept_word("UNIQUE")) {
            c.type = 'U';
        } else if (p.peek().is_word("REFERENCES")) {
            references_clause(p, c, names);
        } else if (p.accept_word("CHECK")) {
            check_clause(p, source, c);
        } else {
            raise_ora(907, "missing right parenthesis", p.peek().line);
        }
        constraint_state(p);
        c.columns.push_back(col.name);
        constraints.push_back(std::move(c));
    }
    return col;
}

bool word_in(const token& t, std::initializer_list<std::string_view> words) {
    for (auto w : words)
        if (t.is_word(w)) return true;
    return false;
}

void skip_group(sql_parser& p) {
    p.expect_symbol("(");
    int depth = 1;
    while (depth > 0 && p.peek().kind != token_kind::end) {
        if (p.peek().is_symbol("(")) ++depth;
        if (p.peek().is_symbol(")")) --depth;
        p.next();
    }
}

}  // namespace

// Physical attributes Oracle scripts carry and a one-file store has no use for: tablespaces,
// storage, compression, logging, parallelism, LOB storage, partitioning (the rows of every
// partition go to the one table).
void skip_storage_clauses(sql_parser& p, bool* index_organized) {
    while (!p.at_end()) {
        const token& t = p.peek();
        if (p.accept_word("TABLESPACE")) {
            p.identifier();
        } else if (t.is_word("ORGANIZATION")) {
            p.next();
            if (p.accept_word("INDEX")) {
                if (index_organized) *index_organized = true;
            } else if (!p.accept_word("HEAP")) {
                raise_unsupported("external tables", t.line);
            }
        } else if (t.is_word("PARTITION") || t.is_word("SUBPARTITION")) {
            // Partitioning decides where rows live, never which rows: everything after it is skipped.
            while (!p.at_end()) p.next();
        } else if (word_in(t, {"STORAGE", "RESULT_CACHE", "PARAMETERS"}) && p.peek(1).is_symbol("(")) {
            p.next();
            skip_group(p);
        } else if (word_in(t,
                           {"PCTFREE", "INITRANS", "PCTUSED", "MAXTRANS", "PCTTHRESHOLD", "FREELISTS", "FREELIST"})) {
            p.next();
            p.accept_word("GROUPS");
            p.integer();
        } else if (word_in(t, {"PARALLEL", "COMPRESS"})) {
            p.next();
            if (p.peek().kind == token_kind::number) p.next();
        } else if (t.is_word("INCLUDING")) {
            p.next();
            p.identifier();
        } else if (t.is_word("LOB")) {
            // LOB (col, ...) STORE AS [SECUREFILE | BASICFILE] [segment] [(parameters)]
            p.next();
            skip_group(p);
            p.expect_word("STORE");
            p.expect_word("AS");
            while (p.accept_word("SECUREFILE") || p.accept_word("BASICFILE")) {
            }
            if (p.peek_identifier() && !word_in(p.peek(), {"TABLESPACE", "PARTITION", "LOB"})) p.next();
            if (p.peek().is_symbol("(")) skip_group(p);
        } else if (word_in(t, {"LOGGING",
                               "NOLOGGING",
                               "NOCOMPRESS",
                               "NOPARALLEL",
                               "ENABLE",
                               "DISABLE",
                               "NOCACHE",
                               "CACHE",
                               "MONITORING",
                               "NOMONITORING",
                               "ROW",
                               "MOVEMENT",
                               "STORE",
                               "COLUMN",
                               "FOR",
                               "OLTP",
                               "BASIC",
                               "ADVANCED",
                               "QUERY",
                               "ARCHIVE",
                               "LOW",
                               "HIGH",
                               "SEGMENT",
                               "CREATION",
                               "IMMEDIATE",
                               "DEFERRED",
                               "OVERFLOW",
                               "MAPPING",
                               "TABLE",
                               "INMEMORY",
                               "NOINMEMORY",
                               "FLASHBACK",
                               "NOROWDEPENDENCIES",
                               "ROWDEPENDENCIES",
                               "COMPUTE",
                               "STATISTICS",
                               "ONLINE",
                               "NOSORT",
                               "REVERSE",
                               "VISIBLE",
                               "INVISIBLE",
                               "LOCAL",
                               "GLOBAL",
                               "SHARING",
                               "METADATA",
                               "DATA",
                               "NONE",
                               "NO",
                               "DUPLICATE",
                               "USABLE",
                               "UNUSABLE"})) {
            p.next();
        } else {
            return;
        }
    }
}

bool at_table_constraint(const sql_parser& p) {
    const token& k = p.peek();
    return k.is_word("CONSTRAINT") || k.is_word("PRIMARY") || k.is_word("UNIQUE") || k.is_word("FOREIGN") ||
           k.is_word("CHECK");
}

identity_def parse_identity(sql_parser& p, std::string_view source) {
    identity_def id;
    if (p.accept_word("ALWAYS")) {
        id.always = true;
    } else {
        p.expect_word("BY");
        p.expect_word("DEFAULT");
        id.always = false;
        if (p.accept_word("ON")) {
            p.expect_word("NULL");
            id.on_null = true;
        }
    }
    p.expect_word("AS");
    if (!p.accept_word("IDENTITY")) raise_unsupported("virtual columns", p.peek().line);
    if (p.accept_symbol("(")) {
        size_t first = p.position();
        std::vector<token> options;
        while (!p.peek().is_symbol(")") && p.peek().kind != token_kind::end) {
            // START WITH LIMIT VALUE only means something on ALTER TABLE ... MODIFY.
            if (p.peek().is_word("START") && p.peek(1).is_word("WITH") && p.peek(2).is_word("LIMIT")) {
                p.next();
                p.next();
                p.next();
                p.expect_word("VALUE");
                id.start_with_limit = true;
                continue;
            }
            options.push_back(p.next());
        }
        id.options_text = source_text(p, source, first, p.position());
        p.expect_symbol(")");
        token end;
        end.kind = token_kind::end;
        options.push_back(end);
        sql_parser op(options);
        id.options = parse_sequence_options(op);
    }
    return id;
}

column_def parse_column_definition(sql_parser& p, std::string_view source, std::vector<constraint_def>& constraints,
                                   const name_context& names) {
    return column_definition(p, source, constraints, names);
}

std::string parse_object_name(sql_parser& p, const name_context& names) {
    int line = p.peek().line;
    std::string first = p.identifier(true);
    if (!p.accept_symbol(".")) return first;
    std::string second = p.identifier(true);
    if (!names.is_user(names.ctx, first)) raise_ora(1918, "user '" + first + "' does not exist", line);
    return second;
}

constraint_def parse_table_constraint(sql_parser& p, std::string_view source, const name_context& names) {
    constraint_def c;
    c.line = p.peek().line;
    if (p.accept_word("CONSTRAINT")) c.name = p.identifier();
    if (p.accept_word("PRIMARY")) {
        p.expect_word("KEY");
        c.type = 'P';
        c.columns = column_list(p);
    } else if (p.accept_word("UNIQUE")) {
        c.type = 'U';
        c.columns = column_list(p);
    } else if (p.accept_word("FOREIGN")) {
        p.expect_word("KEY");
        c.columns = column_list(p);
        references_clause(p, c, names);
    } else if (p.accept_word("CHECK")) {
        check_clause(p, source, c);
    } else {
        raise_ora(904, "\"" + p.peek().text + "\": invalid identifier", p.peek().line);
    }
    constraint_state(p);
    return c;
}

table_def parse_create_table(sql_parser& p, std::string_view source, const name_context& names) {
    table_def t;
    t.name = parse_object_name(p, names);
    if (p.accept_word("OF")) raise_unsupported("object tables", p.peek().line);
    if (p.peek().is_word("AS")) raise_unsupported("CREATE TABLE ... AS SELECT", p.peek().line);
    p.expect_symbol("(");
    do {
        if (at_table_constraint(p)) {
            t.constraints.push_back(parse_table_constraint(p, source, names));
        } else {
            t.columns.push_back(column_definition(p, source, t.constraints, names));
        }
    } while (p.accept_symbol(","));
    p.expect_symbol(")");
    skip_storage_clauses(p, &t.index_organized);
    p.expect_end();
    if (t.columns.empty()) raise_ora(904, "\"\": invalid identifier", p.peek().line);
    if (t.columns.size() > 1000) raise_ora(1792, "maximum number of columns in a table or view is 1000", p.peek().line);
    return t;
}

index_def parse_create_index(sql_parser& p, bool unique, const name_context& names) {
    index_def d;
    d.unique = unique;
    d.line = p.peek().line;
    d.name = parse_object_name(p, names);
    p.expect_word("ON");
    d.table = parse_object_name(p, names);
    d.columns = column_list(p);
    skip_storage_clauses(p);
    p.expect_end();
    return d;
}

view_def parse_create_view(sql_parser& p, std::string_view source, bool or_replace, const name_context& names) {
    view_def v;
    v.or_replace = or_replace;
    v.name = parse_object_name(p, names);
    if (p.peek().is_symbol("(")) v.columns = column_list(p);
    p.expect_word("AS");
    size_t first = p.position();
    p.select();
    size_t last = p.position();
    v.text = source_text(p, source, first, last);
    if (p.accept_word("WITH")) {
        if (p.accept_word("READ"))
            p.expect_word("ONLY");
        else {
            p.expect_word("CHECK");
            p.expect_word("OPTION");
        }
    }
    p.expect_end();
    return v;
}

}  // namespace ocilite
