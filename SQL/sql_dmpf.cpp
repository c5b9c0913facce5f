#include "SQL/sql_dmpf.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "TK/tk_trace.h"

namespace sql {

dmp_file::dmp_file(const std::string& path) : path_(path) {
    // Locked before it is emptied, so that a second run naming the same file at the same
    // time fails instead of cutting or interleaving this one's output.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        int error = errno;
        tk_log::log(2, "Failed to open file");
        failed("open", error);
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        tk_raise(compat::format("Cannot open the dump file '%s': another program is writing it", path_), 0, 1);
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0) {
        int error = errno;
        ::close(fd);
        failed("open", error);
    }
    file_.reset(::fdopen(fd, "wb"));
    if (!file_) {
        int error = errno;
        ::close(fd);
        failed("open", error);
    }
}

void dmp_file::failed(const char* what, int error) {
    tk_raise(compat::format("Cannot %s the dump file '%s': %s", what, path_, std::strerror(error)), 0, 1);
}

void dmp_file::write(std::string_view text) {
    if (!file_) failed("write", EBADF);
    if (text.empty()) return;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file_.get()) != text.size()) {
        int error = errno ? errno : EIO;
        file_.reset();
        failed("write", error);
    }
}

void dmp_file::close() {
    if (!file_) return;
    std::FILE* f = file_.release();
    errno = 0;
    bool bad = std::fflush(f) != 0 || std::ferror(f);
    int error = errno ? errno : EIO;
    if (std::fclose(f) != 0 && !bad) {
        bad = true;
        error = errno ? errno : EIO;
    }
    if (bad) failed("write", error);
}

}  // namespace sql
