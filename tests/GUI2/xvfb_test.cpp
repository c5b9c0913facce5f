// The built marrowgate under a real X server (Xvfb on a display of its own), as a user starts
// it with a saved profile: `marrowgate saved.qrn` converts into the MariaDB sandbox without
// asking, waits on its finish page, and ends when Finish is pressed through the X server
// (xdotool); a profile it cannot run shows its error and ends when that box is answered.
// Its exit status, the converted rows and the settings it stored are checked.
#include <functional>

#include "tests/GUI2/wizard_fixture.h"
#include "tests/GUI2/x_session.h"

namespace {

const char* const schema = R"(
CREATE USER scott IDENTIFIED BY tiger;
CREATE TABLE EMP (ID NUMBER(10) PRIMARY KEY, NAME VARCHAR2(20), HIRED DATE);
INSERT INTO EMP VALUES (1, 'O''Hara', TO_DATE('2004-05-06 07:08:09', 'YYYY-MM-DD HH24:MI:SS'));
INSERT INTO EMP VALUES (2, NULL, NULL);
CREATE TABLE ODD (ID NUMBER(5) PRIMARY KEY, P NUMBER(38,40));
INSERT INTO ODD VALUES (1, 0.0012345);
COMMIT;
)";

class WizardUnderX : public wizard_fixture {
protected:
    void SetUp() override {
        MG_NEED_SANDBOX();
        wizard_fixture::SetUp();
    }
};

}  // namespace

// What `marrowgate PROFILE` does, and the exit status it ends with: the console program's.
struct x_case {
    const char* what;
    std::function<void(quarnel_convertor&, const std::string& db)> set;
    int code;
    // The run reaches the finish page (else an error box before any sheet).
    bool finishes;
};

TEST_F(WizardUnderX, ProfileModeRunsToItsEndAndExitsAsTheConsoleProgramDoes) {
    ASSERT_TRUE(x_session::tools_installed()) << "Xvfb and xdotool are needed (scripts/setup installs them)";
    app_test::build_store("XVFBSRC", schema);
    const std::string db = app_test::test_db_name("wizx");
    app_test::server srv;
    const std::string port = std::to_string(app_test::sandbox_port());
    const std::string own_tables = "SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = 'mysql'";
    const std::string own_before = srv.scalar(own_tables);
    const auto server = [port](quarnel_convertor& c, const std::string& dest) {
        c.set_source_name(u"XVFBSRC");
        c.set_destination_name(compat::utf8_to_utf16(dest));
        c.set_mysql_direct(true);
        c.store_mysql_settings("127.0.0.1", "root", "", port);
        c.set_mode(udb_overwrite_mode::replace_database);
        c.table_map[u"EMP"] = u"";
    };
    const x_case cases[] = {
        {"everything arrives", server, 0, true},
        {"a table the source lacks",
         [&](quarnel_convertor& c, const std::string& d) {
             server(c, d);
             c.table_map[u"GONE"] = u"";
         },
         1, true},
        {"a column changed to fit, with a note",
         [&](quarnel_convertor& c, const std::string& d) {
             server(c, d);
             c.table_map[u"ODD"] = u"";
         },
         0, true},
        {"an unreachable MySQL server",
         [&](quarnel_convertor& c, const std::string& d) {
             server(c, d);
             c.store_mysql_settings("127.0.0.1", "root", "", "1");
         },
         255, false},
        {"the server's own database", [&](quarnel_convertor& c, const std::string&) { server(c, "mysql"); }, 255,
         false},
    };
    test_support::temp_dir work("marrowgate-xvfb");
    const x_session::x_server x(work.path());
    ASSERT_TRUE(x.started()) << "Xvfb did not start";

    for (const x_case& c : cases) {
        SCOPED_TRACE(c.what);
        srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
        const std::string profile = write_profile([&](quarnel_convertor& conv) { c.set(conv, db); }, "saved");
        // The sheet, or the error box that ends the wizard before any sheet; Enter is Finish
        // on the finish page, OK in the box.
        const x_session::wizard_end end =
            x_session::run_profile_to_finish(x, profile, work.path(), c.finishes ? x_session::sheet_title : "^Error$");
        ASSERT_TRUE(end.window_came) << "no wizard window came\n" << end.result.err;
        EXPECT_TRUE(end.sheet_listed);
        ASSERT_EQ(end.other_window, "") << "a window besides the first came up";
        EXPECT_TRUE(end.ended) << "the wizard did not end";
        EXPECT_EQ(end.result.code, c.code) << end.result.err;

        if (c.finishes) {
            EXPECT_EQ(row_texts(srv, "SELECT ID, NAME, HIRED FROM `" + db + "`.EMP ORDER BY ID"),
                      (std::vector<std::string>{"1|O'Hara|2004-05-06 07:08:09", "2|NULL|NULL"}));
            // The settings of the run are stored for the next start.
            const std::string stored = stored_settings();
            EXPECT_NE(stored.find("wsz src=XVFBSRC\n"), std::string::npos) << stored;
            EXPECT_NE(stored.find("wsz dest=" + db + "\n"), std::string::npos) << stored;
            EXPECT_NE(stored.find("dword mysql direct=1\n"), std::string::npos) << stored;
        } else {
            EXPECT_EQ(srv.scalar("SHOW DATABASES LIKE '" + db + "'"), "<no row>") << "nothing ran";
        }
        EXPECT_EQ(srv.scalar(own_tables), own_before) << "the server's own database was touched";
    }
    srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
}
