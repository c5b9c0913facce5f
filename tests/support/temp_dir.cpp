#include "tests/support/temp_dir.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace test_support {

temp_dir::temp_dir(const std::string& prefix) {
    path_ = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(path_.data())) throw std::runtime_error("mkdtemp failed for " + path_);
}

temp_dir::~temp_dir() {
    std::error_code ignored;
    // A test may have taken its own rights away to provoke an error.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace test_support
