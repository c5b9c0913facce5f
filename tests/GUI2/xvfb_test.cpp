// The built marrowgate under a real X server (Xvfb on a display of its own), as a user starts
// it with a saved profile: `marrowgate saved.qrn` converts into the MariaDB sandbox without
// asking, waits on its finish page, and ends when Finish is pressed through the X server
// (xdotool). Its exit status, the converted rows and the settings it stored are checked.
#include <signal.h>

#include <chrono>
#include <thread>

#include "tests/GUI2/wizard_fixture.h"

using namespace std::chrono_literals;
using test_support::child;
using test_support::proc_options;
using test_support::proc_result;
using test_support::run_process;

namespace {

const char* const schema = R"(
CREATE USER scott IDENTIFIED BY tiger;
CREATE TABLE EMP (ID NUMBER(10) PRIMARY KEY, NAME VARCHAR2(20), HIRED DATE);
INSERT INTO EMP VALUES (1, 'O''Hara', TO_DATE('2004-05-06 07:08:09', 'YYYY-MM-DD HH24:MI:SS'));
INSERT INTO EMP VALUES (2, NULL, NULL);
COMMIT;
)";

bool installed(const char* program) { return ::access(program, X_OK) == 0; }

// Polls `done` every 100 ms until it holds or the time is up.
bool poll_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(100ms);
    }
    return true;
}

// A child that is asked to end (SIGTERM) and waited for when the test leaves, so that a
// server leaves no lock file or socket behind; the child's own destructor kills what is
// still there.
class stopped_on_exit {
public:
    explicit stopped_on_exit(child& c) : c_(c) {}
    ~stopped_on_exit() {
        if (!c_.running()) return;
        c_.signal(SIGTERM);
        poll_until([this] { return !c_.running(); }, 5s);
    }
    stopped_on_exit(const stopped_on_exit&) = delete;
    stopped_on_exit& operator=(const stopped_on_exit&) = delete;

private:
    child& c_;
};

class WizardUnderX : public wizard_fixture {
protected:
    // xdotool on the display; its standard output.
    std::string xdotool(const std::vector<std::string>& args) {
        std::vector<std::string> argv{"/usr/bin/xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        proc_options options;
        options.env = {{"DISPLAY", display_}};
        return run_process(argv, options).out;
    }
    std::string display_;
};

}  // namespace

TEST_F(WizardUnderX, ProfileModeRunsToTheFinishPageAndEndsOnFinish) {
    ASSERT_TRUE(installed("/usr/bin/Xvfb") && installed("/usr/bin/xdotool"))
        << "Xvfb and xdotool are needed (scripts/setup installs them)";
    app_test::build_store("XVFBSRC", schema);
    const std::string db = app_test::test_db_name("wizx");
    app_test::server srv;
    srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
    const std::string profile = write_profile(
        [&](quarnel_convertor& c) {
            c.set_source_name(u"XVFBSRC");
            c.set_destination_name(compat::utf8_to_utf16(db));
            c.set_mysql_direct(true);
            c.store_mysql_settings("127.0.0.1", "root", "", std::to_string(app_test::sandbox_port()));
            c.set_mode(udb_overwrite_mode::replace_database);
            c.table_map[u"EMP"] = u"";
        },
        "saved");
    test_support::temp_dir work("marrowgate-xvfb");

    // The server picks a free display itself and tells its number on standard output.
    child xvfb({"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {},
               work.path());
    const stopped_on_exit xvfb_stop(xvfb);
    ASSERT_TRUE(poll_until([&] { return xvfb.out_so_far().find('\n') != std::string::npos || !xvfb.running(); }, 20s))
        << "Xvfb did not start";
    ASSERT_TRUE(xvfb.running()) << "Xvfb ended at once";
    std::string number = xvfb.out_so_far();
    number.erase(number.find('\n'));
    display_ = ":" + number;

    proc_options options;
    options.env = {{"DISPLAY", display_}, {"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", ""}};
    child wizard({MG_MARROWGATE, profile}, options, work.path());
    const stopped_on_exit wizard_stop(wizard);

    std::string window;
    ASSERT_TRUE(poll_until(
        [&] {
            window = xdotool({"search", "--name", "^Marrowgate [0-9.]+$"});
            return !window.empty() || !wizard.running();
        },
        60s))
        << "no wizard window came";
    ASSERT_TRUE(wizard.running()) << wizard.wait().err;
    window.erase(window.find('\n'));

    // The run converts as the sheet opens; then the finish page waits for Finish.
    const std::string count =
        "SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = '" + db + "' AND TABLE_NAME = 'EMP'";
    EXPECT_TRUE(poll_until(
        [&] { return srv.scalar(count) == "1" && srv.scalar("SELECT COUNT(*) FROM `" + db + "`.EMP") == "2"; }, 60s))
        << "the run did not convert the table";
    // Enter presses the sheet's default button: nothing on the progress page (its buttons
    // are disabled), Finish on the finish page. Pressed until the wizard has ended, and
    // only while the sheet is the wizard's one window: a message box would take the key
    // and hide that the run stopped to ask something.
    std::string other_window;
    bool sheet_listed = false;  // the search does see the wizard's windows
    EXPECT_TRUE(poll_until(
        [&] {
            if (!wizard.running()) return true;
            const std::string shown =
                xdotool({"search", "--onlyvisible", "--pid", std::to_string(wizard.pid()), "--name", "."});
            for (size_t at = 0, end; (end = shown.find('\n', at)) != std::string::npos; at = end + 1) {
                const std::string id = shown.substr(at, end - at);
                if (id == window)
                    sheet_listed = true;
                else
                    other_window = xdotool({"getwindowname", id});
            }
            if (!other_window.empty()) return true;
            xdotool({"windowfocus", "--sync", window});
            xdotool({"key", "--clearmodifiers", "Return"});
            return !wizard.running();
        },
        60s))
        << "the wizard did not end on Finish";
    EXPECT_TRUE(sheet_listed);
    ASSERT_EQ(other_window, "") << "a window besides the sheet came up";
    const proc_result r = wizard.wait();
    EXPECT_EQ(r.code, 1) << "Finish ends the wizard with the sheet's result 1\n" << r.err;

    EXPECT_EQ(row_texts(srv, "SELECT ID, NAME, HIRED FROM `" + db + "`.EMP ORDER BY ID"),
              (std::vector<std::string>{"1|O'Hara|2004-05-06 07:08:09", "2|NULL|NULL"}));
    // The settings of the run are stored for the next start.
    const std::string stored = stored_settings();
    EXPECT_NE(stored.find("wsz src=XVFBSRC\n"), std::string::npos) << stored;
    EXPECT_NE(stored.find("wsz dest=" + db + "\n"), std::string::npos) << stored;
    EXPECT_NE(stored.find("dword mysql direct=1\n"), std::string::npos) << stored;
    srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
}
