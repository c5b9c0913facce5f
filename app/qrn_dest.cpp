// The destination of a run: checks before it starts and the database object it writes to.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "SQL/sql_vali.h"
#include "TK/tk_utils.h"
#include "app/qrn_conv.h"
#include "app/qrn_trace.h"
#include "compat/text/format.h"

using compat::wstring;
namespace fs = std::filesystem;

namespace {
fs::path fs_path(const wstring& path) { return fs::path(tk_to_narrow(path)); }

bool opens_for_read_write(const fs::path& p) {
    const int fd = ::open(p.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

// A dump being written holds a lock on its file (sql::dmp_file): removing the file under it
// would throw that run's output away while it still ends as a success.
bool is_being_written(const fs::path& p) {
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

// Only a file (or a link, which is replaced, not followed) is removed before the dump is
// written; a device such as /dev/null or a pipe is written into as it is.
bool is_replaced_by_dump(const fs::path& p) {
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(p, ec);
    return !ec && (fs::is_regular_file(st) || fs::is_symlink(st));
}
}  // namespace

void common_check_dest(const wstring& path) {
    qrn::trace(1, u"common_check_dest(%s)", path);
    const fs::path p = fs_path(path);
    std::error_code ec;
    if (fs::is_directory(p, ec)) throw tk_exception("Destination name should specify a file, not folder.", 1);
    if (::access(p.c_str(), R_OK) == 0 && !opens_for_read_write(p))
        throw tk_exception("Destination name specifies an existing read-only file.", 1);
    const fs::path folder = p.parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec))
        throw tk_exception("Destination path does not exist.\nPlease verify the correct path was given.", 1);
}

void quarnel_convertor::check_mode() const {
    // Checked before anything is dropped: a mode from an old or edited profile must not
    // decide what happens to an existing database.
    if (mode_ < 0 || mode_ > 4) throw tk_exception("Invalid merge/overwrite mode", 1);
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

void quarnel_convertor::check_dest() {
    const wstring& dest = destination_name();
    qrn::trace(1, u"quarnel_convertor::check_dest(%s)", dest);
    check_mode();
    check_not_server_database();
    if (!mysql_direct_) {
        common_check_dest(dest);
        const fs::path p = fs_path(dest);
        if (!is_replaced_by_dump(p)) return;
        if (is_being_written(p)) throw tk_exception("Destination file is being written by another program.", 1);
        if (::unlink(p.c_str()) != 0) throw tk_exception_ex(errno);
        return;
    }
    check_mysql_db_name(dest);
    if (is_mysql_base_exist(dest) && mode_ == 0) del_mysql_base(dest);
}

std::unique_ptr<udb_database> quarnel_convertor::get_dest_base() {
    qrn::trace(2, "quarnel_convertor::get_dest_base");
    const wstring& dest = destination_name();
    check_not_server_database();
    if (mysql_direct_) {
        check_mysql_db_name(dest);
        if (is_mysql_base_exist(dest)) return sql_engine_.open_db(dest, mode_ != 0 ? 8 : 4);
        return sql_engine_.create_db(dest);
    }
    dump_opts_.created_by = get_title();
    return sql_engine_.create_dump(dest, dump_opts_);
}
