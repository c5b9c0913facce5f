// Reruns of a saved profile through the built marrowgate (under a real X server): merge and
// synchronize write into the table the first run made, also where that run gave columns
// generated names (`ID` and `id` in one table). What arrived is read from the server.
#include "tests/GUI2/wizard_fixture.h"
#include "tests/GUI2/x_session.h"

namespace {

// The source at two moments: the rerun brings row 2, and in synchronize mode row 1's change.
std::string mixed_case(const std::string& first_value, bool second_row) {
    return "CREATE USER scott IDENTIFIED BY tiger;\n"
           "CREATE TABLE \"MixedCase\" (\"ID\" NUMBER(5) NOT NULL, \"id\" VARCHAR2(10), \"Note\" VARCHAR2(10), "
           "CONSTRAINT PK_MC PRIMARY KEY (\"ID\"));\n"
           "INSERT INTO \"MixedCase\" VALUES (1, '" +
           first_value + "', 'n1');\n" + (second_row ? "INSERT INTO \"MixedCase\" VALUES (2, 'b', 'n2');\n" : "") +
           "COMMIT;\n";
}

class WizardRerun : public wizard_fixture {
protected:
    void SetUp() override {
        MG_NEED_SANDBOX();
        wizard_fixture::SetUp();
    }
    // A profile of a run from RERUNSRC into the database in the mode.
    std::string profile(const std::string& db, udb_overwrite_mode mode) {
        return write_profile(
            [&](quarnel_convertor& c) {
                c.set_source_name(u"RERUNSRC");
                c.set_destination_name(compat::utf8_to_utf16(db));
                c.set_mysql_direct(true);
                c.store_mysql_settings("127.0.0.1", "root", "", std::to_string(app_test::sandbox_port()));
                c.set_mode(mode);
                c.table_map[u"MixedCase"] = u"";
            },
            "rerun" + std::to_string(static_cast<int>(mode)));
    }
};

}  // namespace

TEST_F(WizardRerun, MergeAndSynchronizeFindTheColumnsTheFirstRunRenamed) {
    ASSERT_TRUE(x_session::tools_installed()) << "Xvfb and xdotool are needed (scripts/setup installs them)";
    const std::string db = app_test::test_db_name("wizrerun");
    app_test::server srv;
    srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
    test_support::temp_dir work("marrowgate-rerun");
    const x_session::x_server x(work.path());
    ASSERT_TRUE(x.started()) << "Xvfb did not start";
    const std::string rows = "SELECT ID, id00000, Note FROM `" + db + "`.`MixedCase` ORDER BY ID";
    const struct {
        udb_overwrite_mode mode;
        std::string source;
        std::vector<std::string> rows;
    } runs[] = {
        {udb_overwrite_mode::replace_database, mixed_case("a", false), {"1|a|n1"}},
        {udb_overwrite_mode::merge, mixed_case("changed", true), {"1|a|n1", "2|b|n2"}},
        {udb_overwrite_mode::synchronize, mixed_case("changed", true), {"1|changed|n1", "2|b|n2"}},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(static_cast<int>(run.mode));
        app_test::build_store("RERUNSRC", run.source);
        const x_session::wizard_end end = x_session::run_profile_to_finish(x, profile(db, run.mode), work.path());
        ASSERT_TRUE(end.window_came) << end.result.err;
        EXPECT_EQ(end.other_window, "") << "a window besides the sheet came up";
        EXPECT_TRUE(end.ended) << "the wizard did not end on Finish";
        EXPECT_EQ(end.result.code, 0) << "everything arrived\n" << end.result.err;
        EXPECT_EQ(row_texts(srv, rows), run.rows);
    }
    srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
}
