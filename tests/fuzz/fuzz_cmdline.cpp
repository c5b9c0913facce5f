// The console command line on arbitrary argument vectors (the input split at NUL bytes):
// the iterator, the option table, the mode rule and parse_cmd_line into a real converter.
// No crash; a line is either refused (false), ends through the fatal-message exit, or is
// complete with a source and a destination. Options that open files (--logfile, --profile,
// --tab_file) have their own targets and are left out here.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "TK/tk_cmdli.h"
#include "app/console/con_opts.h"
#include "app/console/con_out.h"
#include "app/console/con_parse.h"
#include "app/qrn_conv.h"
#include "app/qrn_errh.h"
#include "app/qrn_front.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/temp_dir.h"

namespace {

class quiet_front : public qrn_front_end {
public:
    qrn_program program() const override { return qrn_program::console; }
    void show_internal_error(const std::string& text) override { mg_fuzz::fail("internal error", text); }
    void show_error(const std::string&) override {}
    [[noreturn]] void exit_process(int code) override { throw qrn_exit_request{code}; }
};

bool opens_files(const std::string& arg) {
    for (const char* p : {"--logfile", "--profile", "--tab_file"})
        if (arg.rfind(p, 0) == 0) return true;
    return false;
}

// The settings store goes to a folder of its own, never the user's.
void private_settings() {
    // Under TMPDIR, which scripts/fuzz points into its work folder and removes.
    static const bool done = [] {
        static const test_support::temp_dir dir("mg-fuzz-cmdline");
        ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
        ::setenv("HOME", dir.path().c_str(), 1);
        return true;
    }();
    (void)done;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    private_settings();
    std::vector<std::string> args{"tollspar"};
    for (auto& a : mg_fuzz::split_nul(data, size, 64))
        if (!opens_files(a)) args.push_back(std::move(a));
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(args.size());

    // The iterator alone: every argument is visited once and classified by the table.
    int visited = 0;
    {
        tk_cmdli it(argc, argv.data(), con_option_table);
        while (it.has_more()) {
            ++visited;
            if (it.get_id() == OPT_MODE) (void)con_parse_mode(it.get_value());
            it.next();
        }
        MG_FUZZ_CHECK(visited == argc - 1, "every argument visited once");
        MG_FUZZ_CHECK(it.unrecognised().size() <= tk_cmdli::max_kept_unrecognised, "kept list bounded");
    }

    quiet_front front;
    error_handler handler(front, static_cast<int>(qrn_oracle_errors().size()), qrn_oracle_errors().data());
    handler.load_err_map(static_cast<int>(qrn_mysql_errors().size()), qrn_mysql_errors().data());
    quarnel_convertor conv(front);
    con_set_silent(true);  // the fatal-message exit prints nothing
    try {
        if (parse_cmd_line(argc, argv.data())) {
            MG_FUZZ_CHECK(!conv.source_name().empty(), "complete line has a source");
            MG_FUZZ_CHECK(!conv.destination_name().empty(), "complete line has a destination");
            MG_FUZZ_CHECK(
                conv.get_mode() >= udb_overwrite_mode::replace_database && conv.get_mode() <= udb_overwrite_mode::merge,
                "mode 0 to 3");
        }
    } catch (const qrn_exit_request& r) {
        MG_FUZZ_CHECK(r.code == -1, "the fatal exit is -1");
    } catch (const tk_exception& e) {
        // a value the line cannot use (a port, a profile) refuses the run at level 1
        MG_FUZZ_CHECK(e.level() == 1, e.message());
    }
    return 0;
}
