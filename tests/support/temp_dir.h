// A folder of a test's own under the temporary folder ($TMPDIR), removed with everything in
// it at destruction.
#pragma once

#include <string>

namespace test_support {

class temp_dir {
public:
    explicit temp_dir(const std::string& prefix = "mg-test");
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;

    const std::string& path() const { return path_; }
    // The path of `name` in the folder.
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace test_support
