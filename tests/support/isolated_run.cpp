#include "tests/support/isolated_run.h"

namespace test_support {

namespace {
std::string sh_quoted(const std::string& s) { return "'" + s + "'"; }
}  // namespace

proc_options isolated_options(const std::string& dir, const std::string& oci_lib) {
    proc_options o;
    o.env["HOME"] = dir;
    o.env["XDG_CONFIG_HOME"] = dir + "/.config";
    o.env["OCILITE_DATA"] = dir;
    o.env["MARROWGATE_OCI_LIB"] = oci_lib;
    o.cwd = dir;
    return o;
}

proc_result load_store(const std::string& loader, const std::string& store, const std::string& script) {
    return run_process({"/bin/sh", "-c", sh_quoted(loader) + " " + sh_quoted(store) + " < " + sh_quoted(script)});
}

}  // namespace test_support
