// The pages that reach the MariaDB sandbox: the server road both ways, MySQL connect
// failures with their messages, and the overwrite dialog's five modes (mode 0 drops the
// database when Next returns, Cancel changes nothing), and the waits on a server that does
// not answer, with the window answering meanwhile.
#include <QAbstractButton>
#include <QDialog>
#include <QRadioButton>

#include "GUI2/g_wait_run.h"
#include "common/over_dlg.h"
#include "tests/GUI2/gui_pages.h"
#include "tests/GUI2/wizard_driver.h"
#include "tests/support/files.h"
#include "tests/support/tcp_relay.h"

namespace ui = compat::ui;
using test_support::box_answerer;
using test_support::click;

namespace {

class WizardServer : public gui_pages {
protected:
    void fill_mysql(const std::u16string& password = u"", unsigned port = app_test::sandbox_port()) {
        click(mysql_.control(sql_settings_page2::id_remote));
        mysql_.set_text(sql_settings_page2::id_host, u"127.0.0.1");
        mysql_.set_text(sql_settings_page2::id_port, tk_to_wide(std::to_string(port)));
        mysql_.set_text(sql_settings_page2::id_user, u"root");
        mysql_.set_text(sql_settings_page2::id_password, password);
    }
    bool database_exists(const std::string& name) {
        app_test::server srv;
        return srv.scalar("SELECT COUNT(*) FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = '" + name + "'") == "1";
    }
};

}  // namespace

TEST_F(WizardServer, ServerRoadSkipsTheDumpOptionsBothWays) {
    app_test::build_store("PAGESSRV", pages_schema);
    add_all_pages();
    std::vector<int> visited;
    run_sheet([&] {
        click(welcome_.control(welcome_page::id_direct));
        next();
        fill_oracle(u"PAGESSRV");
        next();
        visited.push_back(current_id());
        fill_mysql();
        next();
        visited.push_back(current_id());
        back();
        visited.push_back(current_id());
        back();
        visited.push_back(current_id());
        shell_->sheet().close();
    });
    EXPECT_EQ(visited, (std::vector<int>{123, 106, 123, 104}));
    EXPECT_EQ(conv_.mysql_host(), "127.0.0.1");
}

TEST_F(WizardServer, MysqlConnectFailuresShowTheAdviceAndKeepThePage) {
    shell_->add_page(mysql_);
    shell_->add_page(dest_);
    box_answerer answers;
    std::vector<int> stayed;
    run_sheet([&] {
        fill_mysql(u"wrong-password");
        next();
        stayed.push_back(current_id());
        fill_mysql(u"", 1);  // nothing listens there
        next();
        stayed.push_back(current_id());
        mysql_.set_text(sql_settings_page2::id_port, u"x");
        next();
        stayed.push_back(current_id());
        shell_->sheet().close();
    });
    EXPECT_EQ(stayed, (std::vector<int>{123, 123, 123}));
    ASSERT_EQ(answers.seen().size(), 3u);
    EXPECT_EQ(answers.seen()[0].text.rfind("Access denied. Verify the user name and password are correct", 0), 0u)
        << answers.seen()[0].text;
    EXPECT_EQ(answers.seen()[1].text.rfind("Can't connect to the MySQL server.", 0), 0u) << answers.seen()[1].text;
    EXPECT_EQ(answers.seen()[2].text, "Invalid port number");
    EXPECT_EQ(answers.seen()[0].title, "Marrowgate Test Error");
}

TEST_F(WizardServer, OverwriteDialogSetsTheModeAndModeZeroDropsAtOnce) {
    struct row {
        int radio;
        int mode;
    };
    const row rows[] = {{overwrite_dlg2::id_entire, 0},
                        {overwrite_dlg2::id_tables, 1},
                        {overwrite_dlg2::id_skip, 2},
                        {overwrite_dlg2::id_merge, 3},
                        {overwrite_dlg2::id_sync, 4}};
    const std::string db = app_test::test_db_name("wizover");
    conv_.store_mysql_settings("127.0.0.1", "root", "", std::to_string(app_test::sandbox_port()));
    conv_.connect_mysql_server();
    conv_.set_mysql_direct(true);
    conv_.set_source_name(u"XE");
    shell_->add_page(dest_);
    shell_->add_page(mysql_);
    std::vector<int> modes;
    std::vector<bool> exists_after;
    box_answerer boxes;  // none expected
    run_sheet([&] {
        for (const row& r : rows) {
            app_test::server().exec("CREATE DATABASE IF NOT EXISTS `" + db + "`");
            shell_->sheet().select_page(sel_file_page::dialog_id);
            dest_.set_text(sel_file_page::id_dest, tk_to_wide(db));
            conv_.set_mode(static_cast<udb_overwrite_mode>(9));
            wizard_test::answer_overwrite("Marrowgate Test Warning", r.radio, ui::id_ok);
            next();
            modes.push_back(static_cast<int>(conv_.get_mode()));
            exists_after.push_back(database_exists(db));
        }
        // Cancel: the page stays and nothing changes.
        shell_->sheet().select_page(sel_file_page::dialog_id);
        conv_.set_mode(udb_overwrite_mode::skip_tables);
        wizard_test::answer_overwrite("Marrowgate Test Warning", overwrite_dlg2::id_entire, ui::id_cancel);
        next();
        modes.push_back(current_id() == sel_file_page::dialog_id ? static_cast<int>(conv_.get_mode()) : -1);
        exists_after.push_back(database_exists(db));
        shell_->sheet().close();
    });
    EXPECT_EQ(modes, (std::vector<int>{0, 1, 2, 3, 4, 2}));
    EXPECT_EQ(exists_after, (std::vector<bool>{false, true, true, true, true, true}));
    EXPECT_TRUE(boxes.seen().empty());
    app_test::server().exec("DROP DATABASE IF EXISTS `" + db + "`");
}

TEST_F(WizardServer, OverwriteDialogLooksAsItShould) {
    overwrite_dlg3 d(1016, u"The destination database already exists.");
    std::string caption, text;
    bool entire_checked = false;
    const int result = test_support::run_with([&] { return d.show(nullptr); },
                                              [&] {
                                                  caption = d.native()->windowTitle().toStdString();
                                                  text = compat::utf16_to_utf8(d.get_text(overwrite_dlg2::id_message));
                                                  entire_checked = d.is_checked(overwrite_dlg2::id_entire);
                                                  click(d.control(ui::id_help));
                                                  click(d.control(ui::id_ok));
                                              });
    EXPECT_EQ(result, ui::id_ok);
    EXPECT_EQ(d.mode(), udb_overwrite_mode::replace_database);
    EXPECT_EQ(caption, "Marrowgate Test Warning");
    EXPECT_EQ(text, "The destination database already exists.");
    EXPECT_TRUE(entire_checked);
    ASSERT_TRUE(test_support::wait_until([&] { return opened_urls().size() == 1; }, 10000));
    EXPECT_EQ(opened_urls()[0], "file://" + wizard_shell::help_file() + "#topic-1016");
}

// The server's own databases are refused before the overwrite dialog could offer to drop
// one, whatever mode the converter holds, with the console program's message; the page
// stays. A dump that would drop one is refused as well, one that would not is taken.
TEST_F(WizardServer, TheServersOwnDatabasesAreRefusedBeforeTheOverwriteDialog) {
    conv_.store_mysql_settings("127.0.0.1", "root", "", std::to_string(app_test::sandbox_port()));
    conv_.connect_mysql_server();
    conv_.set_source_name(u"XE");
    shell_->add_page(dest_);
    shell_->add_page(mysql_);
    app_test::server srv;
    const std::string own_tables =
        "SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA IN ('mysql', 'sys')";
    const std::string before = srv.scalar(own_tables);
    const std::string dump_folder = app_test::temp_dir();
    struct row {
        bool direct, create_database;
        std::string dest, refused_as;  // empty: taken
    };
    std::vector<row> rows;
    for (const char* name : {"mysql", "sys", "information_schema", "performance_schema", "MySQL", "SYS"})
        rows.push_back({true, false, name, name});
    rows.push_back({false, true, dump_folder + "/mysql.sql", "mysql"});
    rows.push_back({false, false, dump_folder + "/mysql.sql", ""});
    test_support::window_watcher overwrite(wizard_test::dialog_with(overwrite_dlg2::id_sync), [](QWidget* w) {
        click(w->findChild<QWidget*>(QString::number(ui::id_cancel)));
    });
    box_answerer boxes;
    std::vector<int> stayed;
    run_sheet([&] {
        for (const row& r : rows) {
            for (int mode = 0; mode <= 4; ++mode) {
                conv_.set_mysql_direct(r.direct);
                conv_.dump_options().create_database = r.create_database;
                conv_.dump_options().create_table = true;
                conv_.set_mode(static_cast<udb_overwrite_mode>(mode));
                shell_->sheet().select_page(sel_file_page::dialog_id);
                dest_.set_text(sel_file_page::id_dest, tk_to_wide(r.dest));
                next();
                stayed.push_back(current_id());
            }
        }
        shell_->sheet().close();
    });
    EXPECT_EQ(overwrite.seen(), 0) << "the overwrite dialog came for a refused name";
    EXPECT_EQ(srv.scalar(own_tables), before);
    size_t box = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        for (int mode = 0; mode <= 4; ++mode) {
            SCOPED_TRACE(rows[i].dest + " mode " + std::to_string(mode));
            const int at = static_cast<int>(i) * 5 + mode;
            if (rows[i].refused_as.empty()) {
                EXPECT_EQ(stayed[at], sql_settings_page2::dialog_id) << "a dump that drops no database is taken";
                continue;
            }
            EXPECT_EQ(stayed[at], sel_file_page::dialog_id);
            ASSERT_LT(box, boxes.seen().size());
            EXPECT_EQ(boxes.seen()[box].text, "The database '" + rows[i].refused_as +
                                                  "' belongs to the MySQL server itself and cannot be a destination.");
            EXPECT_EQ(boxes.seen()[box].title, "Marrowgate Test Error");
            ++box;
        }
    }
    EXPECT_EQ(box, boxes.seen().size());
}

// A typed name that is not UTF-16 text (a lone surrogate) would be stored under U+FFFD, and
// two such names would meet in one database: refused before the overwrite dialog, and the
// page stays.
TEST_F(WizardServer, ADestinationNameThatIsNotUnicodeTextIsRefused) {
    conv_.store_mysql_settings("127.0.0.1", "root", "", std::to_string(app_test::sandbox_port()));
    conv_.connect_mysql_server();
    conv_.set_source_name(u"XE");
    shell_->add_page(dest_);
    shell_->add_page(mysql_);
    test_support::window_watcher overwrite(wizard_test::dialog_with(overwrite_dlg2::id_sync), [](QWidget* w) {
        click(w->findChild<QWidget*>(QString::number(ui::id_cancel)));
    });
    box_answerer boxes;
    int stayed = 0;
    run_sheet([&] {
        conv_.set_mysql_direct(true);
        shell_->sheet().select_page(sel_file_page::dialog_id);
        dest_.set_text(sel_file_page::id_dest, compat::wstring(u"db") + char16_t(0xD800));
        next();
        stayed = current_id();
        shell_->sheet().close();
    });
    EXPECT_EQ(overwrite.seen(), 0);
    EXPECT_EQ(stayed, sel_file_page::dialog_id);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text,
              "The destination name 'db\\xEF\\xBF\\xBD' is not UTF-8 text: it cannot name a "
              "MySQL database.");
}

// A server that accepts and never answers must not freeze the window: the MySQL connect
// waits on a worker thread behind the wait dialog while the interface goes on; when the
// server drops the connection the error is shown and the page stays.
TEST_F(WizardServer, MysqlConnectToAServerThatNeverAnswersLeavesTheWindowAnswering) {
    test_support::tcp_relay silent;  // nothing behind it
    shell_->add_page(mysql_);
    shell_->add_page(dest_);
    const wizard_test::ui_ticks ticks;
    wizard_test::seen_wait seen;
    box_answerer answers;
    int stayed = 0;
    run_sheet([&] {
        fill_mysql(u"", silent.port());
        wizard_test::while_waiting(wait_mysql_connect, seen, ticks, [&] { silent.drop(); });
        next();
        stayed = current_id();
        shell_->sheet().close();
    });
    EXPECT_EQ(seen.text, "Connecting to MySQL server.\nPlease wait...");
    EXPECT_TRUE(seen.still_waiting) << "the connect did not wait on the silent server";
    EXPECT_GE(seen.ticks, 10) << "the window stopped answering while the connect waited";
    EXPECT_EQ(silent.accepted(), 1);
    EXPECT_EQ(stayed, sql_settings_page2::dialog_id);
    ASSERT_EQ(answers.seen().size(), 1u);
    EXPECT_EQ(answers.seen()[0].text.rfind("Lost connection to the MySQL server.", 0), 0u) << answers.seen()[0].text;
}

// The destination page's existence check and DROP DATABASE wait on a worker thread too: a
// server held at each of them leaves the window answering, and each goes on when it answers.
TEST_F(WizardServer, ExistenceCheckAndDropWaitWithTheWindowAnswering) {
    const std::string db = app_test::test_db_name("wizwait");
    app_test::server srv;
    srv.exec("CREATE DATABASE IF NOT EXISTS `" + db + "`");
    test_support::tcp_relay relay(app_test::sandbox_port());
    conv_.store_mysql_settings("127.0.0.1", "root", "", std::to_string(relay.port()));
    conv_.connect_mysql_server();
    conv_.set_mysql_direct(true);
    conv_.set_source_name(u"XE");
    shell_->add_page(dest_);
    shell_->add_page(mysql_);
    const wizard_test::ui_ticks ticks;
    wizard_test::seen_wait check, drop;
    box_answerer boxes;  // none expected
    bool dropped_after_next = false;
    run_sheet([&] {
        dest_.set_text(sel_file_page::id_dest, tk_to_wide(db));
        relay.hold();
        wizard_test::while_waiting(wait_dest_check, check, ticks, [&] { relay.go_on(); });
        test_support::when_modal(wizard_test::dialog_with(overwrite_dlg2::id_sync), [&](QWidget* w) {
            click(w->findChild<QWidget*>(QString::number(overwrite_dlg2::id_entire)));
            relay.hold();
            wizard_test::while_waiting(wait_dest_drop, drop, ticks, [&] { relay.go_on(); });
            click(w->findChild<QWidget*>(QString::number(ui::id_ok)));
        });
        next();
        dropped_after_next = current_id() == sql_settings_page2::dialog_id && !database_exists(db);
        shell_->sheet().close();
    });
    EXPECT_TRUE(boxes.seen().empty()) << boxes.seen()[0].text;
    for (const wizard_test::seen_wait* w : {&check, &drop}) {
        EXPECT_TRUE(w->still_waiting) << w->text;
        EXPECT_GE(w->ticks, 10) << w->text << ": the window stopped answering";
    }
    EXPECT_EQ(check.text, "Checking the destination database.\nPlease wait...");
    EXPECT_EQ(drop.text, "Dropping the destination database.\nPlease wait...");
    EXPECT_TRUE(dropped_after_next);
    srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
}

// A source schema without tables: the destination page refuses before the overwrite dialog
// could offer to drop the database or replace the dump, and stays.
TEST_F(WizardServer, ASourceWithoutTablesIsRefusedBeforeTheOverwriteDialog) {
    app_test::build_store("PAGESEMPTY", "CREATE USER scott IDENTIFIED BY tiger;\n");
    conv_.store_oracle_settings(u"", u"scott", u"tiger", u"");
    conv_.connect_oracle_server(u"PAGESEMPTY");
    conv_.store_mysql_settings("127.0.0.1", "root", "", std::to_string(app_test::sandbox_port()));
    conv_.connect_mysql_server();
    shell_->add_page(dest_);
    shell_->add_page(mysql_);
    const std::string db = app_test::test_db_name("wizempty");
    app_test::server srv;
    srv.exec("DROP DATABASE IF EXISTS `" + db + "`");
    srv.exec("CREATE DATABASE `" + db + "`");
    srv.exec("CREATE TABLE `" + db + "`.STALE (X INT)");
    const std::string dump = app_test::temp_dir() + "/wizempty.sql";
    test_support::write_file(dump, "old");
    test_support::window_watcher overwrite(wizard_test::dialog_with(overwrite_dlg2::id_sync), [](QWidget* w) {
        click(w->findChild<QWidget*>(QString::number(ui::id_ok)));
    });
    box_answerer boxes;
    std::vector<int> stayed;
    run_sheet([&] {
        for (bool direct : {true, false}) {
            conv_.set_mysql_direct(direct);
            conv_.set_mode(udb_overwrite_mode::replace_database);
            shell_->sheet().select_page(sel_file_page::dialog_id);
            dest_.set_text(sel_file_page::id_dest, tk_to_wide(direct ? db : dump));
            next();
            stayed.push_back(current_id());
        }
        shell_->sheet().close();
    });
    EXPECT_EQ(stayed, (std::vector<int>{sel_file_page::dialog_id, sel_file_page::dialog_id}));
    EXPECT_EQ(overwrite.seen(), 0);
    ASSERT_EQ(boxes.seen().size(), 2u);
    for (const auto& box : boxes.seen())
        EXPECT_EQ(box.text, "The source schema SCOTT on PAGESEMPTY has no tables: nothing would be converted.");
    EXPECT_EQ(
        srv.scalar("SELECT GROUP_CONCAT(TABLE_NAME) FROM information_schema.TABLES WHERE TABLE_SCHEMA = '" + db + "'"),
        "STALE");
    EXPECT_EQ(test_support::read_file(dump), "old");
    srv.exec("DROP DATABASE `" + db + "`");
}
