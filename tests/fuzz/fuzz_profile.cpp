// The profile reader on arbitrary file contents: no crash, and what it read survives a
// store and a second load unchanged (a profile the wizard saves is the one it loads).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "UDB/udb_prof.h"
#include "compat/text/text.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/temp_dir.h"

namespace {

// Under TMPDIR, which scripts/fuzz points into its work folder and removes.
const std::string& work_dir() {
    static const test_support::temp_dir dir("mg-fuzz-profile");
    return dir.path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file = work_dir() + "/in.qrn";
    {
        std::FILE* f = std::fopen(file.c_str(), "wb");
        if (!f) std::abort();
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    udb_profile first;
    first.load(compat::utf8_to_utf16(file));

    const std::string again = work_dir() + "/again.qrn";
    MG_FUZZ_CHECK(first.store(compat::utf8_to_utf16(again)), again);
    udb_profile second;
    MG_FUZZ_CHECK(second.load(compat::utf8_to_utf16(again)), "stored profile loads cleanly");
    MG_FUZZ_CHECK(first.get_sections() == second.get_sections(), "store then load keeps every pair");
    return 0;
}
