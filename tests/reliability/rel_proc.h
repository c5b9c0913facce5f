// Child processes of the reliability tests: the shared process runner, with standard
// input from a file (or /dev/null, so a program never waits on the terminal) and the
// output captured in files of the test's folder.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/support/proc_run.h"

namespace rel_test {

using test_support::proc_result;

struct proc_spec {
    std::vector<std::string> argv;           // argv[0] is the program's path
    std::map<std::string, std::string> env;  // added to (or replacing in) the environment
    std::string stdin_file;                  // empty: /dev/null
    long file_size_limit = -1;               // bytes; a write past it fails with EFBIG
};

class child : public test_support::child {
public:
    child(const proc_spec& spec, const std::string& work_dir);
};

proc_result run(const proc_spec& spec, const std::string& work_dir);

}  // namespace rel_test
