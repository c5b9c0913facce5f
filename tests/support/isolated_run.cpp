#include "tests/support/isolated_run.h"

namespace test_support {

proc_options isolated_options(const std::string& dir, const std::string& oci_lib) {
    proc_options o;
    o.env["HOME"] = dir;
    o.env["XDG_CONFIG_HOME"] = dir + "/.config";
    o.env["OCILITE_DATA"] = dir;
    o.env["MARROWGATE_OCI_LIB"] = oci_lib;
    o.cwd = dir;
    return o;
}

}  // namespace test_support
