#include "SQL/sql_dmpf.h"

#include <cerrno>
#include <cstring>

#include "SQL/sql_trace.h"

namespace sql {

dmp_file::dmp_file(const std::string& path) : path_(path) {
    file_.reset(std::fopen(path.c_str(), "wb"));
    if (!file_) {
        int error = errno;
        trace(2, "Failed to open file");
        failed("open", error);
    }
}

void dmp_file::failed(const char* what, int error) {
    raise(compat::format("Cannot %s the dump file '%s': %s", what, path_,
                         std::strerror(error)),
          0, 1);
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
