// Profile mode of the wizard, in process: the whole command line names a profile; the
// wizard connects and checks the destination without showing the interactive pages, and a
// profile it cannot read stops it before anything happens to the last-used destination.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "TK/tk_utils.h"
#include "app/qrn_conv.h"
#include "app/qrn_shel.h"
#include "tests/GUI2/gui_fixture.h"
#include "tests/app/app_fixture.h"

namespace fs = std::filesystem;
using test_support::box_answerer;

namespace {

const char* const schema = R"(
CREATE USER scott IDENTIFIED BY tiger;
CREATE TABLE EMP (ID NUMBER(10) PRIMARY KEY, NAME VARCHAR2(20));
COMMIT;
)";

class WizardProfile : public gui_fixture {
protected:
    void SetUp() override {
        shell_.reset();  // the wizard run builds its own
        app_test::private_settings();
    }
    // A converter's settings, left in the registry as the last-used ones and written to a
    // profile file.
    std::string settings(const std::function<void(quarnel_convertor&)>& set, const std::string& name) {
        quarnel_convertor conv(front_);
        conv.store_oracle_settings(u"", u"scott", u"tiger", u"");
        set(conv);
        const std::string path = app_test::temp_dir() + "/" + name + ".qrn";
        EXPECT_TRUE(conv.store_profile(tk_to_wide(path)));
        return path;
    }
    // How many windows showed a page during the run.
    int run_counting_pages(const std::string& command_line, int& result) {
        int shown = 0;
        auto* watch = new QTimer;
        QObject::connect(watch, &QTimer::timeout, watch, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->findChild<QWidget*>("1329")) ++shown;
        });
        watch->start(2);
        result = qrn_run_wizard(front_, command_line);
        delete watch;
        return shown;
    }
};

}  // namespace

TEST_F(WizardProfile, DumpProfileConnectsAndChecksWithoutInteractivePages) {
    app_test::build_store("PROFDUMP", schema);
    const std::string dump = app_test::temp_dir() + "/profdump.sql";
    std::ofstream(dump) << "old";
    const std::string profile = settings(
        [&](quarnel_convertor& c) {
            c.set_source_name(u"PROFDUMP");
            c.set_destination_name(tk_to_wide(dump));
            c.set_mysql_direct(false);
        },
        "dump");
    box_answerer answers;
    int result = -1;
    EXPECT_EQ(run_counting_pages(profile, result), 0);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(answers.seen().empty()) << answers.seen()[0].text;
    EXPECT_FALSE(fs::exists(dump)) << "the destination check replaces the old dump";
}

TEST_F(WizardProfile, ConnectFailureIsAskedAboutBeforeAnySheet) {
    const std::string dump = app_test::temp_dir() + "/nostore.sql";
    std::ofstream(dump) << "old";
    app_test::build_store("PROFOTHER", schema);  // points the client library at the stores
    const std::string profile = settings(
        [&](quarnel_convertor& c) {
            c.set_source_name(u"PROFNOSUCH");
            c.set_destination_name(tk_to_wide(dump));
            c.set_mysql_direct(false);
        },
        "nostore");
    // A connect error is level 0: the continue-or-stop dialog asks; Abort.
    std::string title, text;
    test_support::when_modal([](QWidget* w) { return w->findChild<QWidget*>("1222") != nullptr; },
                             [&](QWidget* w) {
                                 title = w->windowTitle().toStdString();
                                 if (auto* m = w->findChild<QLabel*>("1320")) text = m->text().toStdString();
                                 test_support::press(w->findChild<QWidget*>("1"));
                             });
    box_answerer answers;
    EXPECT_EQ(qrn_run_wizard(front_, profile), 0);
    EXPECT_NE(text.find("Cannot resolve Oracle service name."), std::string::npos) << text;
    EXPECT_EQ(title.rfind("Error", 0), 0u) << title;
    EXPECT_TRUE(fs::exists(dump)) << "nothing is checked or replaced after a failed connect";
}

TEST_F(WizardProfile, MissingOrUnreadableProfileRunsNothing) {
    app_test::build_store("PROFLAST", schema);
    const std::string dump = app_test::temp_dir() + "/lastused.sql";
    // The last-used settings would replace this dump.
    settings(
        [&](quarnel_convertor& c) {
            c.set_source_name(u"PROFLAST");
            c.set_destination_name(tk_to_wide(dump));
            c.set_mysql_direct(false);
        },
        "lastused");
    const std::string folder = app_test::temp_dir() + "/folder.qrn";
    fs::create_directories(folder);
    const std::string stray = app_test::temp_dir() + "/stray.qrn";
    std::ofstream(stray) << "mode=0\n";
    struct row {
        std::string path;
        std::string message;
    };
    const row rows[] = {
        {app_test::temp_dir() + "/missing.qrn", "Profile does not exist"},
        {folder, "it is a folder"},
        {stray, "line 1 stands before any [section]"},
    };
    for (const row& r : rows) {
        std::ofstream(dump) << "old";
        box_answerer answers;
        EXPECT_EQ(qrn_run_wizard(front_, r.path), 0);
        ASSERT_EQ(answers.seen().size(), 1u) << r.path;
        const std::string& text = answers.seen()[0].text;
        EXPECT_EQ(text.rfind("Cannot use the profile '" + r.path + "'", 0), 0u) << text;
        EXPECT_NE(text.find(r.message), std::string::npos) << text;
        EXPECT_TRUE(fs::exists(dump)) << r.path << ": the last-used destination was touched";
    }
}

TEST_F(WizardProfile, ServerProfileInModeZeroDropsOnlyTheNamedDatabase) {
    if (!app_test::sandbox_port()) GTEST_SKIP() << "MG_MYSQL_PORT is not set (no MariaDB sandbox)";
    app_test::build_store("PROFSRV", schema);
    const std::string db = app_test::test_db_name("wizprof");
    app_test::server().exec("CREATE DATABASE IF NOT EXISTS `" + db + "`");
    const std::string profile = settings(
        [&](quarnel_convertor& c) {
            c.set_source_name(u"PROFSRV");
            c.set_destination_name(tk_to_wide(db));
            c.set_mysql_direct(true);
            c.store_mysql_settings("127.0.0.1", "root", "", std::to_string(app_test::sandbox_port()));
            c.set_mode(0);
        },
        "server");
    box_answerer answers;
    // A missing profile leaves the last-used database (the same settings) alone.
    EXPECT_EQ(qrn_run_wizard(front_, app_test::temp_dir() + "/gone.qrn"), 0);
    app_test::server srv;
    const std::string count = "SELECT COUNT(*) FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = '" + db + "'";
    EXPECT_EQ(srv.scalar(count), "1");
    EXPECT_EQ(qrn_run_wizard(front_, profile), 0);
    EXPECT_EQ(srv.scalar(count), "0") << "mode 0 drops the profile's database before the run";
    EXPECT_EQ(answers.seen().size(), 1u);
}
