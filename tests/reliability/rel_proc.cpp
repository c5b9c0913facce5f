#include "tests/reliability/rel_proc.h"

namespace rel_test {

namespace {

test_support::proc_options options_of(const proc_spec& spec) {
    test_support::proc_options o;
    o.env = spec.env;
    o.stdin_file = spec.stdin_file.empty() ? "/dev/null" : spec.stdin_file;
    o.file_size_limit = spec.file_size_limit;
    return o;
}

}  // namespace

child::child(const proc_spec& spec, const std::string& work_dir)
    : test_support::child(spec.argv, options_of(spec), work_dir) {}

proc_result run(const proc_spec& spec, const std::string& work_dir) {
    child c(spec, work_dir);
    return c.wait();
}

}  // namespace rel_test
