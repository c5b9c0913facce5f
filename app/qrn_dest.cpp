// The destination of a run: checks before it starts and the database object it writes to.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "SQL/sql_vali.h"
#include "TK/tk_trace.h"
#include "TK/tk_utils.h"
#include "app/qrn_conv.h"
#include "compat/text/format.h"

using compat::wstring;
namespace fs = std::filesystem;

namespace {

// A dump being written holds a lock on its file (sql::dmp_file): removing the file under it
// would throw that run's output away while it still ends as a success. Only asked of a
// plain file: opening a FIFO to ask would be read as a reader arriving.
bool is_being_written(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

std::string quoted_name(const std::string& file) { return "'" + file + "'"; }

// The path a link leads to, however many links stand on the way (one whose target is
// missing too); other paths as they are.
fs::path followed(fs::path p) {
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(p, ec); ++hops) {
        const fs::path target = fs::read_symlink(p, ec);
        if (ec) break;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return fs::weakly_canonical(fs::absolute(p, ec), ec);
}

// Two names of one file: the same device and inode, links followed; two names of files
// that do not exist yet, the same path once the links on the way are followed.
bool same_file(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    const bool a_exists = ::stat(a.c_str(), &sa) == 0;
    const bool b_exists = ::stat(b.c_str(), &sb) == 0;
    if (a_exists && b_exists) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (a_exists || b_exists) return false;
    return followed(a) == followed(b);
}

// A trace log written into the dump would corrupt it.
void check_log_is_not(const std::string& file) {
    const tk_log* log = tk_log::try_get();
    if (!log || !log->is_enabled()) return;
    const std::string log_file = log->file();
    if (same_file(log_file, file))
        throw tk_exception(
            compat::format("The log file '%s' is the destination dump file: give the trace another file.", log_file),
            1);
}

// The checks of a dump path, on its own bytes. Whatever stands there is looked at, never
// opened: a FIFO opened for reading would wait for a writer.
void check_dump_path(const std::string& file) {
    struct stat st {};
    const bool exists = ::stat(file.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) throw tk_exception("Destination name should specify a file, not folder.", 1);
    if (exists && ::access(file.c_str(), W_OK) != 0)
        throw tk_exception("Destination name specifies an existing read-only file.\n" + quoted_name(file), 1);
    const fs::path folder = fs::path(file).parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(folder, ec))
        throw tk_exception("Destination path does not exist.\nPlease verify the correct path was given.", 1);
}

// Only a plain file is replaced. A link is followed (its target is written and the link
// stays); a FIFO, pipe, socket or device is written into as a stream.
bool is_replaced_by_dump(const std::string& file) {
    struct stat st {};
    return ::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void remove_dump(const std::string& file) {
    if (is_being_written(file))
        throw tk_exception("Destination file is being written by another program.\n" + quoted_name(file), 1);
    if (::unlink(file.c_str()) != 0) {
        const int error = errno;
        throw tk_exception(
            compat::format("Cannot delete the existing dump file %s: %s", quoted_name(file), std::strerror(error)), 1);
    }
}

// The bytes as a message can show them: printable ASCII as it is, every other byte as \xNN.
std::string shown_bytes(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F)
            out += c;
        else
            out += compat::format("\\x%02X", static_cast<unsigned>(b));
    }
    return out;
}

// The file name without its folder and extension, which names the database a dump creates.
std::string base_name(std::string path) {
    const size_t slash = path.find_last_of("/\\");
    if (slash != std::string::npos) path.erase(0, slash + 1);
    const size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && dot > 0) path.erase(dot);
    return path;
}

}  // namespace

bool common_dest_exists(const wstring& path) { return is_replaced_by_dump(tk_to_narrow(path)); }

void common_remove_dest(const wstring& path) { remove_dump(tk_to_narrow(path)); }

void common_check_dest(const wstring& path) {
    tk_log::log(1, u"common_check_dest(%s)", path);
    check_dump_path(tk_to_narrow(path));
}

std::string quarnel_convertor::destination_file() const {
    if (!dest_file_.empty() && destination_name() == dest_file_name_) return dest_file_;
    return tk_to_narrow(destination_name());
}

void quarnel_convertor::set_destination_file(const std::string& bytes) {
    dest_file_ = bytes;
    dest_file_name_ = destination_name();
}

void quarnel_convertor::check_log_file() const {
    if (!mysql_direct_) check_log_is_not(destination_file());
}

void quarnel_convertor::check_mode() const {
    // Checked before anything is dropped: a mode from an old or edited profile must not
    // decide what happens to an existing database.
    if (mode_ < udb_overwrite_mode::replace_database || mode_ > udb_overwrite_mode::synchronize)
        throw tk_exception("Invalid merge/overwrite mode", 1);
}

void quarnel_convertor::check_not_server_database() const {
    const wstring& dest = destination_name();
    wstring db = dest;
    if (!mysql_direct_) {
        if (!dump_opts_.create_database || !dump_opts_.create_table) return;
        db = dmp_database::database_name_of(dest);
    }
    if (sql_is_server_database(db))
        throw tk_exception(compat::format("The database '%s' belongs to the MySQL server itself and cannot be a "
                                          "destination.",
                                          tk_to_narrow(db)),
                           1);
}

void quarnel_convertor::check_name_encoding() const {
    // A dump's path is taken byte for byte; only the database it creates has a name.
    if (!mysql_direct_ && (!dump_opts_.create_database || !dump_opts_.create_table)) return;
    const bool as_bytes = !dest_file_.empty() && destination_name() == dest_file_name_;
    std::string name = as_bytes ? dest_file_ : compat::utf16_to_utf8(destination_name());
    if (!mysql_direct_) name = base_name(name);
    // What is not UTF-8 (or, typed, a lone surrogate) reads as U+FFFD: two such names
    // would meet in one database, and a run into one would drop what the other made.
    const bool text = as_bytes ? compat::utf16_to_utf8(compat::utf8_to_utf16(name)) == name
                               : compat::utf8_to_utf16(compat::utf16_to_utf8(destination_name())) == destination_name();
    if (text) return;
    throw tk_exception(compat::format("The destination name '%s' is not UTF-8 text: it cannot name a MySQL database.",
                                      shown_bytes(as_bytes ? dest_file_ : name)),
                       1);
}

void quarnel_convertor::check_dest() {
    const wstring& dest = destination_name();
    tk_log::log(1, u"quarnel_convertor::check_dest(%s)", dest);
    check_mode();
    check_name_encoding();
    check_not_server_database();
    if (!mysql_direct_) {
        const std::string file = destination_file();
        tk_log::log(1, "common_check_dest(%s)", file);
        check_log_is_not(file);
        check_dump_path(file);
        if (is_replaced_by_dump(file)) remove_dump(file);
        return;
    }
    check_mysql_db_name(dest);
    if (is_mysql_base_exist(dest) && mode_ == udb_overwrite_mode::replace_database) del_mysql_base(dest);
}

std::unique_ptr<udb_database> quarnel_convertor::get_dest_base() {
    tk_log::log(2, "quarnel_convertor::get_dest_base");
    const wstring& dest = destination_name();
    check_name_encoding();
    check_not_server_database();
    if (mysql_direct_) {
        check_mysql_db_name(dest);
        if (is_mysql_base_exist(dest))
            return sql_engine_.open_db(
                dest, mode_ != udb_overwrite_mode::replace_database ? udb_open_mode::append : udb_open_mode::existing);
        return sql_engine_.create_db(dest);
    }
    dump_opts_.created_by = get_title();
    return sql_engine_.create_dump(dest, dump_opts_, destination_file());
}
