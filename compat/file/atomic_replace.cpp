#include "compat/file/atomic_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace compat {

namespace {

bool write_all(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

int last_error() { return errno != 0 ? errno : EIO; }

}  // namespace

int replace_file(const std::filesystem::path& path, std::string_view data, mode_t mode) {
    // Hidden, and in the same folder: rename only replaces within one file system.
    std::string name = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);  // mode 0600
    if (fd < 0) return last_error();
    // A file system without modes refuses this; the file then stays owner-only.
    (void)::fchmod(fd, mode);
    int error = write_all(fd, data) && ::fsync(fd) == 0 ? 0 : last_error();
    if (::close(fd) != 0 && error == 0) error = last_error();
    if (error == 0 && ::rename(name.c_str(), path.c_str()) != 0) error = last_error();
    if (error != 0) ::unlink(name.c_str());
    return error;
}

}  // namespace compat
