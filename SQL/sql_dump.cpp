#include "SQL/sql_dump.h"

#include "SQL/sql_ascii.h"
#include "SQL/sql_engi.h"
#include "SQL/sql_esc.h"
#include "SQL/sql_init.h"
#include "SQL/sql_util.h"
#include "SQL/sql_valw.h"
#include "SQL/sql_ver.h"
#include "TK/tk_trace.h"
#include "compat/text/format.h"

#include <cstring>

using compat::wstring;

namespace {

std::string utf8(compat::wstring_view s) { return compat::utf16_to_utf8(s); }

bool starts_with_select(const wstring& text) {
    return text.size() >= 6 && compat::equal_nocase(compat::wstring_view(text).substr(0, 6), u"select");
}

wstring wide_number(size_t n) { return compat::utf8_to_utf16(std::to_string(n)); }

// The name with each character beyond ASCII written '@' and its four hexadecimal digits, as
// the server spells such a name in its own files: two names stay two names.
wstring ascii_spelling(const wstring& name) {
    static constexpr char16_t digits[] = u"0123456789abcdef";
    wstring out;
    for (char16_t c : name) {
        if (c < 0x80) {
            out += c;
            continue;
        }
        out += u'@';
        for (int shift = 12; shift >= 0; shift -= 4) out += digits[(c >> shift) & 0xF];
    }
    return out;
}

bool is_ascii(const wstring& text) {
    for (char16_t c : text)
        if (c >= 0x80) return false;
    return true;
}

wstring base_name_of(const wstring& path) {
    size_t slash = path.find_last_of(u"/\\");
    wstring base = slash == wstring::npos ? path : path.substr(slash + 1);
    size_t dot = base.find_last_of(u'.');
    if (dot != wstring::npos && dot > 0) base.erase(dot);
    return base;
}

// The stock client's and MariaDB's default max_allowed_packet, and the largest either takes.
constexpr size_t default_packet = size_t(16) << 20;
constexpr size_t largest_packet = size_t(1) << 30;

}  // namespace

std::tm dmp_local_time() {
    std::time_t t = std::time(nullptr);
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

// ---- database -----------------------------------------------------------------------

dmp_database::dmp_database(const wstring& path, const dmp_options& options, const dmp_clock& clock,
                           const std::string& file)
    : udb_database(path, udb_open_mode::created, false),
      options_(options),
      eol_(options.line_break == 0 ? "\r\n" : "\n"),
      file_(file.empty() ? compat::utf16_to_ansi(path) : file) {
    tk_log::log(2, u"dmp_database::ctor(%s)", path);
    sql_engine& engine = sql_engine::instance();
    engine.set_version(options_.new_version ? sql::ver_4_1_0 : sql::ver_3_20_1);
    engine.set_lock_pending(false);
    tk_log::log(1, "b_new_ver=%d", int(options_.new_version));
    write_header(clock());
}

dmp_database::~dmp_database() {
    // Not closed: the run stopped before its end. The file says so, and a client loading it
    // stops with an error there instead of ending as if every table had arrived.
    if (!file_.is_open()) return;
    try {
        unlock_if_pending();
        const std::string where = current_table_.empty()
                                      ? "before its first table"
                                      : "while table '" + sql::comment_text(utf8(current_table_)) + "' was written";
        write(eol_ + "# INCOMPLETE DUMP: the conversion stopped " + where + "." + eol_);
        write(std::string(incomplete_statement) + eol_);
        file_.close();
    } catch (const std::exception& e) {
        tk_log::log(2, "dmp_database::dtor: %s", e.what());
    }
}

wstring dmp_database::database_name_of(const wstring& path) {
    // USE cannot be prepared on every server: the name is written in ASCII itself.
    wstring base = ascii_spelling(base_name_of(path));
    auto validator = sql_engine::instance().create_dn_validator();
    if (!validator->is_acceptable(base)) base = validator->get_safe_name(base);
    return base;
}

void dmp_database::write_header(const std::tm& now) {
    const std::string& e = eol_;
    if (options_.comments) {
        std::string date = compat::format("%02d/%02d/%04d", now.tm_mon + 1, now.tm_mday, now.tm_year + 1900);
        write("# File name: " + sql::comment_text(utf8(name_)) + e);
        write("# Creation date: " + date + e);
        write("# Created by " + sql::comment_text(utf8(options_.created_by)) + e);
        write("# " + std::string(50, '-') + e);
    }
    // Whatever the loading client's defaults: text in UTF-8 (4-byte characters where the
    // server has utf8mb4), backslash escapes and double-quoted strings as written here.
    write("/*!40101 SET NAMES utf8 */;" + e);
    write("/*!50503 SET NAMES utf8mb4 */;" + e);
    // the loading session's own mode comes back at the end, as mariadb-dump does it
    write("/*!40101 SET @OLD_SQL_MODE=@@SQL_MODE, SQL_MODE='' */;" + e);
    if (options_.create_database && options_.create_table) {
        wstring db = database_name_of(name_);
        if (const wstring base = base_name_of(name_); !is_ascii(base))
            add_note(u"the dump creates the database '" + db + u"': the name '" + base +
                     u"' of its file is written in ASCII");
        std::string q = utf8(options_.new_version ? sql::backquote(db) : db);
        write(e);
        write_statement("DROP DATABASE IF EXISTS " + q);
        write_statement("CREATE DATABASE " + q);
        write_statement("USE " + q);
    }
}

void dmp_database::unlock_if_pending() {
    sql_engine& engine = sql_engine::instance();
    if (!engine.lock_pending()) return;
    engine.set_lock_pending(false);
    write("UNLOCK TABLES;" + eol_);
}

void dmp_database::write_statement(std::string_view statement, std::string_view gate) {
    const sql::statement_part part{statement, {}};
    write_statement(std::span(&part, 1), gate);
}

void dmp_database::write_statement(std::span<const sql::statement_part> statement, std::string_view gate) {
    // Before 4.1 a server can prepare nothing: such a dump holds only ASCII names (the
    // literals of values are ASCII).
    if (!options_.new_version)
        for (const sql::statement_part& part : statement)
            if (!part.literal && !sql::is_ascii(part.text))
                throw tk_exception(
                    "A statement of this table holds characters beyond ASCII, which a dump for MySQL before 4.1 "
                    "cannot carry.",
                    0);
    const size_t length =
        sql::write_ascii_statement(statement, eol_, gate, [this](std::string_view text) { file_.write(text); });
    if (length > largest_statement_) {
        largest_statement_ = length;
        largest_table_ = current_table_;
    }
}

void dmp_database::note_packet_size() {
    // the server takes the command byte in the same packet
    const size_t packet = largest_statement_ + 1;
    if (packet <= default_packet) return;
    const wstring what = u"the dump holds a statement of " + wide_number(largest_statement_) + u" bytes (table '" +
                         largest_table_ + u"')";
    if (packet > largest_packet) {
        add_note(what + u", more than the 1 GB that a MySQL client and server take at most: it cannot be loaded");
        return;
    }
    const size_t megabytes = (packet + (size_t(1) << 20) - 1) >> 20;
    add_note(what +
             u", more than the 16 MB that the client and the server take by default: load it with mysql "
             u"--max-allowed-packet=" +
             wide_number(megabytes) + u"M, into a server whose max_allowed_packet is as large");
}

void dmp_database::close() {
    if (!file_.is_open()) return;
    note_packet_size();
    unlock_if_pending();
    write("/*!40101 SET SQL_MODE=@OLD_SQL_MODE */;" + eol_);
    write(std::string(complete_comment) + eol_);
    file_.close();
}

void dmp_database::write_key_collations(const std::string& table, sql_schema_initializer& columns) {
    // Keys compare as in Oracle, byte for byte without padding, where the loading server
    // has such a collation: MySQL from 8.0.17 runs the first statement (MariaDB skips
    // versions 50700 to 99999 of this form), MariaDB from 10.2.2 the second (MySQL reads
    // it as a comment). Other servers keep the binary collation of CREATE TABLE.
    static constexpr struct {
        const char* gate;
        const char16_t* collation;
    } servers[] = {{"80017", u"utf8mb4_0900_bin"}, {"M!100202", u"utf8mb4_nopad_bin"}};
    for (const auto& server : servers) {
        const std::vector<wstring> chunks = columns.key_text_chunks(server.collation);
        if (chunks.empty()) return;
        std::string stmt = "ALTER TABLE " + table;
        for (size_t i = 0; i < chunks.size(); ++i) stmt += (i ? ", MODIFY " : " MODIFY ") + utf8(chunks[i]);
        write_statement(stmt, server.gate);
    }
}

wstring dmp_database::table_name(const wstring& name) const {
    return options_.new_version ? sql::backquote(name) : name;
}

std::unique_ptr<udb_recordset> dmp_database::create_table(const wstring& name, const udb_schema& schema,
                                                          const udb_indexes& indexes) {
    tk_log::log(2, u"dmp_database::create_table(%s)", name);
    if (find_table(name) >= 0) tk_fail(tk_where::sql_dump, 274);
    unlock_if_pending();
    current_table_ = name;
    const std::string& e = eol_;
    const std::string t = utf8(table_name(name));

    wstring auto_column;
    sql_schema_initializer columns(name, schema, indexes, auto_column, sql_target::dump);
    sql_chunks chunks;
    columns.get_init_chunks(chunks);
    for (const wstring& note : columns.notes()) add_note(name + u": " + note);

    if (options_.create_table) {
        if (options_.comments)
            write(e + "#" + e + "# Table structure for table '" + sql::comment_text(utf8(name)) + "'" + e + "#" + e +
                  e);
        write_statement("DROP TABLE IF EXISTS " + t);
        std::string stmt = "CREATE TABLE " + t + " (" + e;
        if (!indexes.empty() || !auto_column.empty()) {
            sql_indexes_initializer keys(columns.get_schema(), indexes, auto_column, columns.get_names_map(),
                                         sql_target::dump);
            keys.get_init_chunks(chunks);
            for (const wstring& dropped : keys.dropped()) add_creation_error(dropped);
        }
        for (size_t i = 0; i < chunks.size(); ++i) {
            if (i > 0) stmt += "," + e;
            stmt += "  " + utf8(chunks[i]);
        }
        tk_log::log(1, "Right before inserting CREATE TABLE statement");
        stmt += e + ")";
        if (options_.new_version) {
            tk_log::log(1, "New version of dump file");
            stmt += sql_engine::instance().use_innodb() == 1 ? " ENGINE=InnoDB" : " ENGINE=MyISAM";
            // the text columns' character set on 4.1 to 5.5.2 servers
            stmt += " /*!40101 DEFAULT CHARSET=utf8 */";
        } else {
            tk_log::log(1, "Old version of dump file");
            stmt += " TYPE=MyISAM";
        }
        write_statement(stmt);
        // From 5.5.3 the table's own default is utf8mb4 like its text columns, so that a
        // column added later holds 4-byte characters too (one CREATE TABLE cannot name
        // both character sets).
        if (options_.new_version) write_statement("ALTER TABLE " + t + " DEFAULT CHARACTER SET utf8mb4", "50503");
        if (options_.new_version) write_key_collations(t, columns);
    }
    if (options_.comments)
        write(e + "#" + e + "# Dumping data for table '" + sql::comment_text(utf8(name)) + "'" + e + "#" + e + e);
    if (options_.lock_tables) {
        // LOCK TABLES cannot be prepared: a table whose name is not ASCII goes unlocked.
        if (sql::is_ascii(t)) {
            write("LOCK TABLES " + t + " WRITE;" + e);
            sql_engine::instance().set_lock_pending(true);
        } else {
            add_note(u"table '" + name + u"' is written to the dump without LOCK TABLES: its name is not ASCII");
        }
    }
    table_names_.push_back(name);
    names_map_.add_fn_map(name, columns.get_names_map());
    table_indexes_.emplace(name, indexes);
    tk_log::log(2, u"dmp_recordset::dmp_recordset(%s)", name);
    return std::make_unique<dmp_recordset>(*this, name, columns.get_schema());
}

std::unique_ptr<udb_recordset> dmp_database::get_table(const wstring&, bool) { tk_fail(tk_where::sql_dump, 117); }

std::unique_ptr<udb_recordset> dmp_database::get_table(const wstring&, const wstring&, bool) { return nullptr; }

bool dmp_database::test_query(const wstring&) { return false; }

std::unique_ptr<udb_recordset> dmp_database::query(const wstring& text) {
    unlock_if_pending();
    write_statement(utf8(text));
    return nullptr;
}

void dmp_database::create_views(const udb_views& views) {
    tk_log::log(2, "dmp_database::create_views");
    sql_names names;
    for (const auto& [n, _] : views) names.push_back(n);
    sql_new_tn_validator validator(names, {});
    for (const auto& [view, definition] : views) {
        tk_log::log(1, u"Processing '%s'", view);
        tk_log::log(1, u"\t'%s'", definition);
        if (!starts_with_select(definition)) {
            tk_log::log(2, "Skip non-select query");
            continue;
        }
        wstring name = view;
        if (!validator.is_acceptable(name)) {
            name = validator.get_safe_name(name);
            names_map_.add_tn_mapping(view, name);
            validator.add_existing_name(name);
            tk_log::log(2, u"Store generated column name '%s'", name);
        }
        wstring text = definition;
        for (auto& c : text)
            if (c == u'[' || c == u']') c = u'`';
        text = names_map_.do_global_replace1(text, u"`", u"`");
        unlock_if_pending();
        write_statement("CREATE OR REPLACE VIEW " + utf8(sql_engine::quote_name(name)) + " AS " + utf8(text));
    }
}

void dmp_database::create_relationships(const udb_relationships& relationships) {
    tk_log::log(2, "dmp_database::create_relationships");
    if (!options_.new_version) {
        tk_log::log(2, "This version of MySQL (%08X) doesn't support Foreign Keys",
                    int(sql_engine::instance().version()));
        return;
    }
    unlock_if_pending();
    const std::string& e = eol_;
    write(e);
    write_statement("SET FOREIGN_KEY_CHECKS = 0");
    auto field_list = [this](const wstring& table, const udb_names& fields) {
        std::string out;
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) out += ", ";
            out += utf8(sql_engine::quote_name(names_map_.get_fn_mapped_name(table, fields[i], true)));
        }
        return out;
    };
    for (const udb_relationship& rel : relationships) {
        wstring child = names_map_.get_tn_mapped_name(rel.child_table, true);
        wstring parent = names_map_.get_tn_mapped_name(rel.parent_table, true);
        tk_log::log(1, u"Processing FK '%s'", child);
        std::string child_q = utf8(sql_engine::quote_name(child));
        std::string child_cols = field_list(rel.child_table, rel.child_fields);
        auto it = table_indexes_.find(child);
        bool has_index = it != table_indexes_.end() && it->second.has_index_on_fields(rel.child_fields, false);
        if (has_index)
            tk_log::log(1, u"Child index for table '%s' exists", child);
        else
            write_statement("ALTER TABLE " + child_q + " ADD INDEX (" + child_cols + ")");
        write_statement("ALTER TABLE " + child_q + " ADD CONSTRAINT " + utf8(sql_engine::quote_name(rel.name)) +
                        " FOREIGN KEY(" + child_cols + ") REFERENCES " + utf8(sql_engine::quote_name(parent)) + "(" +
                        field_list(rel.parent_table, rel.parent_fields) + ")");
    }
    write_statement("SET FOREIGN_KEY_CHECKS = 1");
}

// ---- recordset ----------------------------------------------------------------------

namespace {

// A text or bytes whose literal alone could be longer than a batch.
bool may_hold_large_value(const udb_record& row) {
    for (const auto& field : row) {
        const VARTYPE type = field->get_type();
        if (type == VT_BSTR && field->get_variant().bstrVal.view().size() + 2 > dmp_recordset::flush_size) return true;
        if (type == (VT_ARRAY | VT_UI1)) {
            const void* data = nullptr;
            if (2 * field->get_bytes(&data) + 2 > dmp_recordset::flush_size) return true;
        }
    }
    return false;
}

}  // namespace

dmp_recordset::dmp_recordset(dmp_database& owner, const wstring& name, const udb_schema& fields)
    : udb_recordset(name), owner_(owner), batch_(*this, flush_size) {
    for (const auto& f : fields) schema_.push_back(std::make_unique<t_ftd>(*f));
}

dmp_recordset::~dmp_recordset() {
    tk_log::log(2, "dmp_recordset::dtor");
    try {
        flush();
    } catch (const std::exception& e) {
        tk_log::log(2, "dmp_recordset::dtor: %s", e.what());
    }
}

// A failed write drops the statement (the batcher takes it out first), so that the
// destructor does not write it again.
void dmp_recordset::flush() { batch_.flush(); }

void dmp_recordset::send_statement(const std::string& statement) { owner_.write_statement(statement); }

const sql_column_map& dmp_recordset::map_for(const udb_record& row) {
    if (map_ && map_->fits(row)) return *map_;
    // a statement carries one column list: rows of another shape start a new one
    flush();
    const auto& fields = owner_.get_names_map().fields();
    const auto it = fields.find(name_);
    auto map = std::make_unique<sql_column_map>(row, schema_, it == fields.end() ? nullptr : &it->second);
    if (!map->complete()) {
        tk_log::log(1, u"Field %s not found", map->missing());
        throw tk_exception(
            "Generic error occurred while migrating the data.\n"
            "Please contact the product's technical support with the trace log of this run.",
            0);
    }
    map_ = std::move(map);
    batch_.set_head(map_->insert_head(name_, schema_));
    return *map_;
}

void dmp_recordset::append_record(const udb_record& row) {
    tk_log::log(1, "dmp_recordset::append_record");
    ++received_;
    // Every field is found before the statement grows: a missing one leaves it as it was.
    const sql_column_map& map = map_for(row);
    if (may_hold_large_value(row)) {
        append_large_row(map, row);
    } else {
        batch_.append(received_, [&](std::string& out) { map.append_row(out, row, schema_, sql::hex_values()); });
    }
    tk_log::log(1, "*** FAST INSERT MODE ***");
}

void dmp_recordset::append_large_row(const sql_column_map& map, const udb_record& row) {
    // A literal longer than a batch makes the row a statement of its own: the batcher
    // would send the pending rows and then this one alone.
    const sql::deferring_hex_writer values(flush_size);
    large_row_.clear();
    map.append_row(large_row_, row, schema_, values);
    if (!values.deferred()) {
        // a conversion rule wrote it short
        batch_.append(received_, [&](std::string& out) { out += large_row_; });
        return;
    }
    batch_.flush();
    tk_log::log(1, "Initialize new query...");
    owner_.write_statement(values.parts(batch_.head(), large_row_));
}
