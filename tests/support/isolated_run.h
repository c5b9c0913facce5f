// The setting a built program runs in under test: its own folder as home and working
// folder, and the stand-in client library, so no user settings, option files or other
// Oracle client leak in.
#pragma once

#include <string>

#include "tests/support/proc_run.h"

namespace test_support {

proc_options isolated_options(const std::string& dir, const std::string& oci_lib);

}  // namespace test_support
