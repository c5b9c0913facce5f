// Replacing a file as a whole: the new content goes to a temporary file beside it, which
// is synced and then renamed over the file. A reader sees the old content or the new,
// never a part, and a failure leaves the old file as it was.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string_view>

namespace compat {

// Writes data as the file at path with the permission bits mode (as given: the umask
// does not narrow them). The temporary file is owner-only until it has its mode, and
// stays so on a file system that keeps no modes, so a file that holds passwords can be
// asked for with 0600. Returns 0, or the errno value of the step that failed; a failure
// leaves no temporary file behind.
int replace_file(const std::filesystem::path& path, std::string_view data, mode_t mode);

}  // namespace compat
