// Profile mode of the wizard, in process: the whole command line names a profile; the
// wizard connects and checks the destination without showing the interactive pages, runs
// the conversion as its sheet opens and ends on the finish page. A profile it cannot read
// stops it before anything happens to the last-used destination.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "GUI2/g_finish.h"
#include "TK/tk_utils.h"
#include "app/qrn_shel.h"
#include "tests/GUI2/wizard_driver.h"
#include "tests/GUI2/wizard_fixture.h"

namespace fs = std::filesystem;
using test_support::box_answerer;

namespace {

const char* const schema = R"(
CREATE USER scott IDENTIFIED BY tiger;
CREATE TABLE EMP (ID NUMBER(10) PRIMARY KEY, NAME VARCHAR2(20));
INSERT INTO EMP VALUES (1, 'O''Hara');
INSERT INTO EMP VALUES (2, NULL);
COMMIT;
)";

const char* const success =
    "Wizard has converted your Oracle database into\nMySQL data source successfully.\n\nClick 'Finish' to exit the "
    "wizard.";

class WizardProfile : public wizard_fixture {
protected:
    // A profile (NAME.qrn) that converts the service into the dump file, with `more`
    // settings on top.
    std::string dump_profile(const char16_t* service, const std::string& dump, const std::string& name,
                             const std::function<void(quarnel_convertor&)>& more = {}) {
        return write_profile(
            [&](quarnel_convertor& c) {
                c.set_source_name(service);
                c.set_destination_name(tk_to_wide(dump));
                c.set_mysql_direct(false);
                if (more) more(c);
            },
            name);
    }
    // Runs the wizard for the profile until the finish page, whose result text goes into
    // `result_text` and whose error box into `errors`, then presses Finish. Counts the page
    // windows with an interactive control (the welcome, dump-options and MySQL pages' radio
    // 1329) seen on the way.
    int run_to_finish(const std::string& profile, int& shown, std::string& result_text, std::string* errors = nullptr) {
        shown = 0;
        auto* watch = new QTimer;
        QObject::connect(watch, &QTimer::timeout, watch, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->findChild<QWidget*>("1329")) ++shown;
        });
        watch->start(2);
        const int result = wizard_test::run_wizard(front_, profile, [&] {
            const wizard_page* finish = wizard_test::wait_for_page(gui_finish_page::dialog_id);
            if (finish) result_text = compat::utf16_to_utf8(finish->get_text(gui_finish_page::id_result));
            if (finish && errors) *errors = compat::utf16_to_utf8(finish->get_text(gui_finish_page::id_errors));
            wizard_test::click_sheet(compat::ui::id_finish);
        });
        delete watch;
        return result;
    }
};

}  // namespace

TEST_F(WizardProfile, DumpProfileConnectsOnlyTheOracleSideAndWritesTheDump) {
    app_test::build_store("PROFDUMP", schema);
    const std::string dump = app_test::temp_dir() + "/profdump.sql";
    std::ofstream(dump) << "old";
    const std::string profile = dump_profile(u"PROFDUMP", dump, "dump", [](quarnel_convertor& c) {
        c.table_map[u"EMP"] = u"";
        // Nothing listens there: a dump profile must not reach for a server.
        c.store_mysql_settings("127.0.0.1", "root", "", "1");
    });
    box_answerer answers;
    int shown = -1;
    std::string result_text;
    EXPECT_EQ(run_to_finish(profile, shown, result_text), 0) << "everything arrived";
    EXPECT_EQ(shown, 0) << "no interactive page shows in profile mode";
    EXPECT_EQ(result_text, success);
    EXPECT_TRUE(answers.seen().empty()) << answers.seen()[0].text;
    const std::string text = test_support::read_file(dump);
    EXPECT_EQ(text.find("old"), std::string::npos) << "the destination check replaces the old dump";
    EXPECT_NE(text.find("CREATE TABLE"), std::string::npos) << text;
    // What the stock client makes of it.
    const std::string db = app_test::test_db_name("wizprofdump");
    app_test::server srv;
    srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
    srv.exec("CREATE DATABASE `" + db + "`");
    const test_support::proc_result loaded = load_dump(dump, db);
    EXPECT_EQ(loaded.code, 0) << loaded.err;
    EXPECT_EQ(row_texts(srv, "SELECT ID, NAME FROM `" + db + "`.EMP ORDER BY ID"),
              (std::vector<std::string>{"1|O'Hara", "2|NULL"}));
    srv.exec("DROP DATABASE `" + db + "`");
}

TEST_F(WizardProfile, EachRunAsksAboutItsErrorsAndListsThemOnTheFinishPage) {
    app_test::build_store("PROFERR", schema);
    const std::string dump = app_test::temp_dir() + "/proferr.sql";
    const std::string profile = dump_profile(u"PROFERR", dump, "errors", [](quarnel_convertor& c) {
        c.table_map[u"EMP"] = u"";
        c.table_map[u"QBAD"] = u"SELECT * FROM NOPE";
    });
    // Twice in one process, as the tests run the wizard: the second run's worker is heard
    // as the first one's was.
    for (int run = 1; run <= 2; ++run) {
        int asked = 0;
        test_support::when_modal(wizard_test::dialog_with(1222), [&](QWidget* w) {
            ++asked;
            test_support::press(w->findChild<QWidget*>("2"));  // Continue
        });
        int shown = -1;
        std::string result_text, errors;
        EXPECT_EQ(run_to_finish(profile, shown, result_text, &errors), 1) << "finished with errors";
        EXPECT_EQ(asked, 1) << "run " << run;
        EXPECT_EQ(result_text,
                  "There were some errors while converting the database.\nClick 'Finish' to exit the wizard.");
        EXPECT_NE(errors.find("QBAD: ORA-00942"), std::string::npos) << errors;
        EXPECT_NE(test_support::read_file(dump).find("INSERT INTO"), std::string::npos) << "EMP still arrives";
    }
}

// With nothing to convert there is nothing to continue: a connect failure is shown in an
// error box (no Abort or Continue), before any sheet, and profile mode ends as failed.
TEST_F(WizardProfile, ConnectFailureIsShownAndEndsBeforeAnySheet) {
    app_test::build_store("PROFOTHER", schema);  // points the client library at the stores
    struct row {
        const char* name;
        const char16_t* service;
        std::function<void(quarnel_convertor&)> more;
        std::string text;
    };
    const row rows[] = {
        {"nostore", u"PROFNOSUCH", {}, "Cannot resolve Oracle service name."},
        {"badpassword", u"PROFOTHER",
         [](quarnel_convertor& c) { c.store_oracle_settings(u"", u"scott", u"wrong", u""); },
         "Invalid user name or password."},
        // Nothing listens there.
        {"nomysql", u"PROFOTHER",
         [](quarnel_convertor& c) {
             c.set_mysql_direct(true);
             c.set_destination_name(u"anydb");
             c.store_mysql_settings("127.0.0.1", "root", "", "1");
             c.table_map[u"EMP"] = u"";
         },
         "Can't connect to the MySQL server."},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string dump = app_test::temp_dir() + "/" + r.name + ".sql";
        std::ofstream(dump) << "old";
        const std::string profile = dump_profile(r.service, dump, r.name, r.more);
        test_support::window_watcher continues(wizard_test::dialog_with(1222),
                                               [](QWidget* w) { test_support::press(w->findChild<QWidget*>("1")); });
        box_answerer answers;
        EXPECT_EQ(qrn_run_wizard(front_, profile), -1);
        EXPECT_EQ(continues.seen(), 0) << "no Abort or Continue where nothing can go on";
        ASSERT_EQ(answers.seen().size(), 1u);
        EXPECT_EQ(answers.seen()[0].text.rfind(r.text, 0), 0u) << answers.seen()[0].text;
        EXPECT_EQ(answers.seen()[0].title, "Error") << "no sheet was shown";
        EXPECT_EQ(answers.seen()[0].icon, QMessageBox::Critical);
        EXPECT_EQ(test_support::read_file(dump), "old") << "nothing is checked or replaced after a failed connect";
    }
}

TEST_F(WizardProfile, MissingOrUnreadableProfileRunsNothing) {
    app_test::build_store("PROFLAST", schema);
    const std::string dump = app_test::temp_dir() + "/lastused.sql";
    // The last-used settings would replace this dump.
    {
        quarnel_convertor conv(front_);
        conv.store_oracle_settings(u"", u"scott", u"tiger", u"");
        conv.set_source_name(u"PROFLAST");
        conv.set_destination_name(tk_to_wide(dump));
        conv.set_mysql_direct(false);
    }
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
        EXPECT_EQ(qrn_run_wizard(front_, r.path), -1);
        ASSERT_EQ(answers.seen().size(), 1u) << r.path;
        const std::string& text = answers.seen()[0].text;
        EXPECT_EQ(text.rfind("Cannot use the profile '" + r.path + "'", 0), 0u) << text;
        EXPECT_NE(text.find(r.message), std::string::npos) << text;
        EXPECT_EQ(test_support::read_file(dump), "old") << r.path << ": the last-used destination was touched";
    }
}

TEST_F(WizardProfile, ServerProfileInModeZeroDropsOnlyTheNamedDatabase) {
    app_test::build_store("PROFSRV", schema);
    const std::string db = app_test::test_db_name("wizprof");
    app_test::server srv;
    srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
    srv.exec("CREATE DATABASE `" + db + "`");
    srv.exec("CREATE TABLE `" + db + "`.STALE (X INT)");
    const auto set = [&](quarnel_convertor& c) {
        c.set_source_name(u"PROFSRV");
        c.set_destination_name(tk_to_wide(db));
        c.set_mysql_direct(true);
        c.store_mysql_settings("127.0.0.1", "root", "", std::to_string(app_test::sandbox_port()));
        c.set_mode(udb_overwrite_mode::replace_database);
        c.table_map[u"EMP"] = u"";
    };
    // The same settings as the last-used ones: a missing profile leaves that database alone.
    {
        quarnel_convertor conv(front_);
        conv.store_oracle_settings(u"", u"scott", u"tiger", u"");
        set(conv);
    }
    box_answerer answers;
    EXPECT_EQ(qrn_run_wizard(front_, app_test::temp_dir() + "/gone.qrn"), -1);
    EXPECT_EQ(answers.seen().size(), 1u);
    const std::string tables =
        "SELECT GROUP_CONCAT(TABLE_NAME ORDER BY TABLE_NAME) FROM information_schema.TABLES "
        "WHERE TABLE_SCHEMA = '" +
        db + "'";
    EXPECT_EQ(srv.scalar(tables), "STALE");

    const std::string profile = write_profile(set, "server");
    int shown = -1;
    std::string result_text;
    EXPECT_EQ(run_to_finish(profile, shown, result_text), 0);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(result_text, success);
    EXPECT_EQ(answers.seen().size(), 1u) << answers.seen().back().text;
    EXPECT_EQ(srv.scalar(tables), "EMP") << "mode 0 drops the profile's database before the run";
    EXPECT_EQ(row_texts(srv, "SELECT ID, NAME FROM `" + db + "`.EMP ORDER BY ID"),
              (std::vector<std::string>{"1|O'Hara", "2|NULL"}));
    srv.exec("DROP DATABASE `" + db + "`");
}

// The server's own databases are refused before anything is dropped, whatever the mode,
// with the console program's message; a dump that would drop one is refused too.
TEST_F(WizardProfile, TheServersOwnDatabaseIsRefusedBeforeAnyDrop) {
    app_test::build_store("PROFOWN", schema);
    app_test::server srv;
    const std::string own_tables = "SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = 'mysql'";
    const std::string before = srv.scalar(own_tables);
    ASSERT_NE(before, "0");
    const std::string dump = app_test::temp_dir() + "/mysql.sql";
    std::ofstream(dump) << "old";
    struct row {
        bool direct;
        int mode;
        const char* dest;
        std::string message;
    };
    const std::string refused = "The database 'mysql' belongs to the MySQL server itself and cannot be a destination.";
    const row rows[] = {
        {true, 0, "mysql", refused},
        {true, 1, "MySQL", "The database 'MySQL' belongs to the MySQL server itself and cannot be a destination."},
        {true, 2, "mysql", refused},
        {true, 3, "mysql", refused},
        {true, 4, "mysql", refused},
        {false, 0, dump.c_str(), refused},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(std::string(r.dest) + " mode " + std::to_string(r.mode));
        const std::string profile = write_profile(
            [&](quarnel_convertor& c) {
                c.set_source_name(u"PROFOWN");
                c.set_destination_name(tk_to_wide(r.dest));
                c.set_mysql_direct(r.direct);
                c.store_mysql_settings("127.0.0.1", "root", "", std::to_string(app_test::sandbox_port()));
                c.set_mode(static_cast<udb_overwrite_mode>(r.mode));
                c.dump_options().create_database = true;
                c.dump_options().create_table = true;
                c.table_map[u"EMP"] = u"";
            },
            "own");
        box_answerer answers;
        EXPECT_EQ(qrn_run_wizard(front_, profile), -1);
        ASSERT_EQ(answers.seen().size(), 1u);
        EXPECT_EQ(answers.seen()[0].text, r.message);
        EXPECT_EQ(srv.scalar(own_tables), before) << "the server's own database was touched";
        EXPECT_EQ(test_support::read_file(dump), "old");
    }
}

// A table the profile names and the source lacks is listed among the errors, and the run
// counts as one with errors; the other tables arrive.
TEST_F(WizardProfile, AMissingTableIsListedAndTheRunCountsAsOneWithErrors) {
    app_test::build_store("PROFGONE", schema);
    const std::string dump = app_test::temp_dir() + "/profgone.sql";
    const std::string profile = dump_profile(u"PROFGONE", dump, "gone", [](quarnel_convertor& c) {
        c.table_map[u"EMP"] = u"";
        c.table_map[u"GONE"] = u"";
    });
    box_answerer answers;
    int shown = -1;
    std::string result_text, errors;
    EXPECT_EQ(run_to_finish(profile, shown, result_text, &errors), 1);
    EXPECT_TRUE(answers.seen().empty()) << answers.seen()[0].text;
    EXPECT_EQ(result_text, "There were some errors while converting the database.\nClick 'Finish' to exit the wizard.");
    EXPECT_EQ(errors, "Table GONE not exists\n\n");
    const std::string db = app_test::test_db_name("wizprofgone");
    app_test::server srv;
    srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
    srv.exec("CREATE DATABASE `" + db + "`");
    const test_support::proc_result loaded = load_dump(dump, db);
    EXPECT_EQ(loaded.code, 0) << loaded.err;
    EXPECT_EQ(row_texts(srv, "SELECT ID, NAME FROM `" + db + "`.EMP ORDER BY ID"),
              (std::vector<std::string>{"1|O'Hara", "2|NULL"}));
    srv.exec("DROP DATABASE `" + db + "`");
}

// A name that two source tables match in other letter cases converts neither: it is listed
// with them among the run's errors, and the other tables arrive.
TEST_F(WizardProfile, ANameOfSeveralTablesInOtherCasesIsListedWithThem) {
    app_test::build_store("PROFCASE", std::string(schema) +
                                          "CREATE TABLE \"Dept\" (ID NUMBER(5));\n"
                                          "CREATE TABLE DEPT (ID NUMBER(5));\n"
                                          "COMMIT;\n");
    const std::string dump = app_test::temp_dir() + "/profcase.sql";
    const std::string profile = dump_profile(u"PROFCASE", dump, "case", [](quarnel_convertor& c) {
        c.table_map[u"EMP"] = u"";
        c.table_map[u"dept"] = u"";
    });
    box_answerer answers;
    int shown = -1;
    std::string result_text, errors;
    EXPECT_EQ(run_to_finish(profile, shown, result_text, &errors), 1);
    EXPECT_TRUE(answers.seen().empty()) << answers.seen()[0].text;
    EXPECT_EQ(errors,
              "The selected table 'dept' matches 2 tables of the source that differ only in letter case: 'DEPT', "
              "'Dept'. Name one of them exactly.\n\n");
    const std::string db = app_test::test_db_name("wizprofcase");
    app_test::server srv;
    srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
    srv.exec("CREATE DATABASE `" + db + "`");
    const test_support::proc_result loaded = load_dump(dump, db);
    EXPECT_EQ(loaded.code, 0) << loaded.err;
    EXPECT_EQ(row_texts(srv, "SELECT TABLE_NAME FROM information_schema.TABLES WHERE TABLE_SCHEMA = '" + db + "'"),
              (std::vector<std::string>{"EMP"}));
    srv.exec("DROP DATABASE `" + db + "`");
}

// Abort in the continue dialog stops the run: the finish page says where, and the dump
// stops the client where the run stopped, with what came before it loaded.
TEST_F(WizardProfile, AnAbortedRunSaysWhereItStopped) {
    app_test::build_store("PROFABORT", schema);
    const std::string dump = app_test::temp_dir() + "/profabort.sql";
    const std::string profile = dump_profile(u"PROFABORT", dump, "abort", [](quarnel_convertor& c) {
        c.table_map[u"EMP"] = u"";
        c.table_map[u"QBAD"] = u"SELECT * FROM NOPE";
        c.table_map[u"ZZ_LATER"] = u"SELECT ID FROM EMP";
        c.dump_options().create_table = true;
    });
    test_support::window_watcher continues(wizard_test::dialog_with(1222), [](QWidget* w) {
        test_support::press(w->findChild<QWidget*>("1"));  // Abort
    });
    box_answerer answers;
    std::string title, result_text, errors;
    const int result = wizard_test::run_wizard(front_, profile, [&] {
        const wizard_page* finish = wizard_test::wait_for_page(gui_finish_page::dialog_id);
        ASSERT_TRUE(finish);
        title = compat::utf16_to_utf8(finish->get_text(gui_finish_page::id_title));
        result_text = compat::utf16_to_utf8(finish->get_text(gui_finish_page::id_result));
        errors = compat::utf16_to_utf8(finish->get_text(gui_finish_page::id_errors));
        wizard_test::click_sheet(compat::ui::id_finish);
    });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(continues.seen(), 1);
    EXPECT_TRUE(answers.seen().empty()) << answers.seen()[0].text;
    EXPECT_EQ(title, "Conversion has Stopped");
    EXPECT_EQ(result_text,
              "The conversion stopped in table 'QBAD' before its end.\nClick 'Finish' to exit the wizard.");
    EXPECT_EQ(errors.rfind("QBAD: ORA-00942", 0), 0u) << errors;
    const std::string db = app_test::test_db_name("wizprofabort");
    app_test::server srv;
    srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
    srv.exec("CREATE DATABASE `" + db + "`");
    const test_support::proc_result loaded = load_dump(dump, db);
    EXPECT_NE(loaded.code, 0) << "the dump of a stopped run stops the client";
    EXPECT_EQ(row_texts(srv, "SELECT ID, NAME FROM `" + db + "`.EMP ORDER BY ID"),
              (std::vector<std::string>{"1|O'Hara", "2|NULL"}));
    EXPECT_EQ(row_texts(srv, "SHOW TABLES FROM `" + db + "`"), (std::vector<std::string>{"EMP"}));
    srv.exec("DROP DATABASE `" + db + "`");
}

// A table made with a changed column and without an index it could not have: Abort at that
// error ends the run, and the finish page still lists the table's note after the error, once,
// on either road.
TEST_F(WizardProfile, AnAbortedRunListsTheNotesOfTheTablesMade) {
    std::string sql =
        "CREATE USER scott IDENTIFIED BY tiger;\nCREATE TABLE ODD (ID NUMBER(5) PRIMARY KEY, P NUMBER(38,40)";
    for (int i = 1; i <= 31; ++i) sql += ", C" + std::to_string(i) + " NUMBER(5)";
    sql += ");\n";
    for (int i = 1; i <= 31; ++i)
        sql += "CREATE INDEX IX" + std::string(i < 10 ? "0" : "") + std::to_string(i) + " ON ODD (C" +
               std::to_string(i) + ");\n";
    app_test::build_store("PROFNABORT", sql + "INSERT INTO ODD (ID, P) VALUES (1, 0.0012345);\nCOMMIT;\n");
    const std::string db = app_test::test_db_name("wiznabort");
    const std::string dump = app_test::temp_dir() + "/profnabort.sql";
    app_test::server srv;
    for (const bool direct : {true, false}) {
        SCOPED_TRACE(direct ? "server" : "dump");
        srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
        const std::string profile = write_profile(
            [&](quarnel_convertor& c) {
                c.set_source_name(u"PROFNABORT");
                c.set_destination_name(tk_to_wide(direct ? db : dump));
                c.set_mysql_direct(direct);
                c.store_mysql_settings("127.0.0.1", "root", "", std::to_string(app_test::sandbox_port()));
                c.table_map[u"ODD"] = u"";
                c.table_map[u"ZZ_LATER"] = u"SELECT ID FROM ODD";
            },
            "nabort");
        test_support::window_watcher continues(wizard_test::dialog_with(1222), [](QWidget* w) {
            test_support::press(w->findChild<QWidget*>("1"));  // Abort
        });
        box_answerer answers;
        int shown = -1;
        std::string result_text, list;
        EXPECT_EQ(run_to_finish(profile, shown, result_text, &list), -1);
        EXPECT_EQ(continues.seen(), 1);
        EXPECT_EQ(result_text,
                  "The conversion stopped in table 'ODD' before its end.\nClick 'Finish' to exit the wizard.");
        EXPECT_EQ(list,
                  "ODD: The index 'IX31' is not created: the table has the 31 indexes a table may have.\n\n"
                  "Note: ODD: column P is DOUBLE: a MySQL DECIMAL cannot hold NUMBER(38,40)\n\n");
        if (direct) {
            EXPECT_EQ(row_texts(srv, "SHOW TABLES FROM `" + db + "`"), (std::vector<std::string>{"ODD"}));
        }
    }
    srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
}

// Records that fail alike: the first 20 ask whether to go on, the rest are counted in one
// closing error of the table, which asks once more.
TEST_F(WizardProfile, RepeatsOfOneRecordErrorAskTwentyTimesAndAreCountedOnce) {
    std::string sql =
        "CREATE USER scott IDENTIFIED BY tiger;\n"
        "CREATE TABLE T_INF (ID NUMBER(5) PRIMARY KEY, BD BINARY_DOUBLE);\n";
    for (int id = 1; id <= 26; ++id) sql += "INSERT INTO T_INF VALUES (" + std::to_string(id) + ", 1);\n";
    app_test::build_store("PROFREP", sql + "COMMIT;\n");
    const test_support::store_folder& stores = app_test::store_folder();
    stores.exec("PROFREP", "UPDATE " + stores.table_name("PROFREP", "T_INF") + " SET " +
                               stores.column_name("PROFREP", "T_INF", "BD") + " = 9e999 WHERE " +
                               stores.column_name("PROFREP", "T_INF", "ID") + " <= 25");
    const std::string dump = app_test::temp_dir() + "/profrep.sql";
    const std::string profile =
        dump_profile(u"PROFREP", dump, "repeats", [](quarnel_convertor& c) { c.table_map[u"T_INF"] = u""; });
    std::vector<std::string> asked;
    test_support::window_watcher continues(wizard_test::dialog_with(1222), [&](QWidget* w) {
        for (QLabel* l : w->findChildren<QLabel*>())
            if (l->text().contains("T_INF")) asked.push_back(l->text().toStdString());
        test_support::press(w->findChild<QWidget*>("2"));  // Continue
    });
    int shown = -1;
    std::string result_text, errors;
    EXPECT_EQ(run_to_finish(profile, shown, result_text, &errors), 1) << "finished with errors";
    ASSERT_EQ(asked.size(), 21u);
    EXPECT_EQ(asked[19], "T_INF, record #20: The value of column BD is Infinity, which MySQL cannot store");
    EXPECT_EQ(asked[20], "T_INF: ... and 5 more records failed with the same error");
    // The finish page lists the first 20 errors of a run and counts the rest.
    EXPECT_NE(errors.find("T_INF, record #20: "), std::string::npos) << errors;
    EXPECT_NE(errors.find("... and 1 more error"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("record #21"), std::string::npos) << errors;
    const std::string db = app_test::test_db_name("wizprofrep");
    app_test::server srv;
    srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
    srv.exec("CREATE DATABASE `" + db + "`");
    const test_support::proc_result loaded = load_dump(dump, db);
    EXPECT_EQ(loaded.code, 0) << loaded.err;
    EXPECT_EQ(row_texts(srv, "SELECT ID, BD FROM `" + db + "`.T_INF"), (std::vector<std::string>{"26|1"}));
    srv.exec("DROP DATABASE `" + db + "`");
}

// A profile with nothing to convert: the wrong Oracle account, whose schema has no tables,
// or a selection that names no table of the source. Nothing is dropped or replaced, on
// either road.
TEST_F(WizardProfile, NothingToConvertIsRefusedBeforeTheDestinationIsTouched) {
    app_test::build_store("PROFEMPTY", "CREATE USER scott IDENTIFIED BY tiger;\n");
    app_test::build_store("PROFNONE", schema);
    const std::string db = app_test::test_db_name("wizprofempty");
    app_test::server srv;
    const std::string dump = app_test::temp_dir() + "/profempty.sql";
    const std::string no_tables = "The source schema SCOTT on PROFEMPTY has no tables: nothing would be converted.";
    const struct {
        const char* what;
        const char16_t* service;
        bool direct;
        const char16_t* table;  // selected, or none
        std::string message;
    } rows[] = {
        {"no tables, server, a table selected", u"PROFEMPTY", true, u"EMP", no_tables},
        {"no tables, server, nothing selected", u"PROFEMPTY", true, nullptr, no_tables},
        {"no tables, dump", u"PROFEMPTY", false, u"EMP", no_tables},
        {"a table the source lacks", u"PROFNONE", true, u"GONE",
         "None of the selected tables exists in the source database: no table would be converted."},
        {"nothing selected", u"PROFNONE", false, nullptr, "The table selection is empty: no table would be converted."},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
        srv.exec("CREATE DATABASE `" + db + "`");
        srv.exec("CREATE TABLE `" + db + "`.STALE (X INT)");
        std::ofstream(dump) << "old";
        const std::string profile = write_profile(
            [&](quarnel_convertor& c) {
                c.set_source_name(r.service);
                c.set_destination_name(tk_to_wide(r.direct ? db : dump));
                c.set_mysql_direct(r.direct);
                c.store_mysql_settings("127.0.0.1", "root", "", std::to_string(app_test::sandbox_port()));
                c.set_mode(udb_overwrite_mode::replace_database);
                if (r.table) c.table_map[r.table] = u"";
            },
            "empty");
        box_answerer answers;
        EXPECT_EQ(qrn_run_wizard(front_, profile), -1);
        ASSERT_EQ(answers.seen().size(), 1u);
        EXPECT_EQ(answers.seen()[0].text, r.message);
        EXPECT_EQ(row_texts(srv, "SHOW TABLES FROM `" + db + "`"), (std::vector<std::string>{"STALE"}));
        EXPECT_EQ(test_support::read_file(dump), "old");
    }
    srv.exec("DROP DATABASE `" + db + "`");
}

// A note of the run (a column changed to fit MySQL, a mode that a dump cannot apply) is
// listed on the finish page after the errors, as "Note: ..."; a run with only notes is
// complete, on either road. Past the first 20, the notes are counted.
TEST_F(WizardProfile, NotesAreListedOnTheFinishPageAndLeaveTheRunComplete) {
    std::string wide = "CREATE TABLE WIDE (ID NUMBER(5) PRIMARY KEY";
    for (int i = 1; i <= 22; ++i) wide += ", P" + std::to_string(i) + " NUMBER(38,40)";
    app_test::build_store("PROFNOTE", std::string("CREATE USER scott IDENTIFIED BY tiger;\n"
                                                  "CREATE TABLE ODD (ID NUMBER(5) PRIMARY KEY, P NUMBER(38,40));\n"
                                                  "INSERT INTO ODD VALUES (1, 0.0012345);\n") +
                                          wide + ");\nCOMMIT;\n");
    const std::string db = app_test::test_db_name("wizprofnote");
    const std::string dump = app_test::temp_dir() + "/profnote.sql";
    const std::string odd_note = "Note: ODD: column P is DOUBLE: a MySQL DECIMAL cannot hold NUMBER(38,40)\n\n";
    std::string wide_notes;
    for (int i = 1; i <= 20; ++i)
        wide_notes +=
            "Note: WIDE: column P" + std::to_string(i) + " is DOUBLE: a MySQL DECIMAL cannot hold NUMBER(38,40)\n\n";
    const std::string with_errors =
        "There were some errors while converting the database.\nClick 'Finish' to exit the wizard.";
    const struct {
        const char* what;
        bool direct;
        udb_overwrite_mode mode;
        std::vector<const char16_t*> tables;
        int code;
        std::string result_text;
        std::string list;
    } rows[] = {
        {"server", true, udb_overwrite_mode::replace_database, {u"ODD"}, 0, success, odd_note},
        {"dump", false, udb_overwrite_mode::replace_database, {u"ODD"}, 0, success, odd_note},
        {"dump, a mode it cannot apply, a table the source lacks",
         false,
         udb_overwrite_mode::merge,
         {u"ODD", u"GONE"},
         1,
         with_errors,
         "Table GONE not exists\n\nNote: the mode 3 does not apply to a dump file: its load neither skips existing "
         "tables nor merges into them\n\n" +
             odd_note},
        {"more than 20 notes",
         false,
         udb_overwrite_mode::replace_database,
         {u"WIDE"},
         0,
         success,
         wide_notes + "... and 2 more notes\n\n"},
    };
    app_test::server srv;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
        const std::string profile = write_profile(
            [&](quarnel_convertor& c) {
                c.set_source_name(u"PROFNOTE");
                c.set_destination_name(tk_to_wide(r.direct ? db : dump));
                c.set_mysql_direct(r.direct);
                c.store_mysql_settings("127.0.0.1", "root", "", std::to_string(app_test::sandbox_port()));
                c.set_mode(r.mode);
                for (const char16_t* table : r.tables) c.table_map[table] = u"";
            },
            "notes");
        box_answerer answers;
        int shown = -1;
        std::string result_text, list;
        EXPECT_EQ(run_to_finish(profile, shown, result_text, &list), r.code);
        EXPECT_TRUE(answers.seen().empty()) << answers.seen()[0].text;
        EXPECT_EQ(result_text, r.result_text);
        EXPECT_EQ(list, r.list);
        if (!r.direct) {
            srv.exec("CREATE DATABASE `" + db + "`");
            const test_support::proc_result loaded = load_dump(dump, db);
            EXPECT_EQ(loaded.code, 0) << loaded.err;
        }
        if (r.tables[0] == std::u16string_view(u"ODD")) {
            EXPECT_EQ(row_texts(srv, "SELECT ID, P FROM `" + db + "`.ODD"), (std::vector<std::string>{"1|0.0012345"}));
        }
    }
    srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
}
