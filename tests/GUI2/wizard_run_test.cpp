// Whole runs of the wizard as a user makes them, through the program's own entry and its
// real widgets: from the welcome page to Finish, typing into and clicking every page, into
// the MariaDB sandbox and into a dump file that the stock client loads, with the converted
// rows checked. The profile each run saves is then run again by `marrowgate PROFILE` and
// by `tollspar --profile=PROFILE`. Closing the wizard during a run stops the run and still
// stores the settings.
#include <mysql.h>

#include <QMessageBox>
#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "GUI2/g_finish.h"
#include "GUI2/g_ora_pg.h"
#include "GUI2/g_progr.h"
#include "GUI2/g_query.h"
#include "GUI2/g_sel_file.h"
#include "GUI2/g_sql_pg.h"
#include "GUI2/g_welcome.h"
#include "GUI2/qrn_tabs.h"
#include "GUI2/qrn_views.h"
#include "app/qrn_shel.h"
#include "common/over_dlg.h"
#include "common/sql_dump.h"
#include "compat/text/format.h"
#include "tests/GUI2/held_fifo.h"
#include "tests/GUI2/wizard_driver.h"
#include "tests/GUI2/wizard_fixture.h"
#include "tests/support/hostile_names.h"

namespace fs = std::filesystem;
namespace ui = compat::ui;
using test_support::box_answerer;
using test_support::click;
using namespace wizard_test;

namespace {

const char* const schema = R"(
CREATE USER scott IDENTIFIED BY tiger;
CREATE TABLE DEPT (ID NUMBER(10) PRIMARY KEY, NAME VARCHAR2(30) NOT NULL, BUDGET NUMBER(12,2));
CREATE TABLE EMP (ID NUMBER(10) PRIMARY KEY, DEPT_ID NUMBER(10) REFERENCES DEPT(ID), NAME VARCHAR2(40),
                  HIRED DATE, RATE NUMBER(6,3));
INSERT INTO DEPT VALUES (10, 'Sales', 1234.5);
INSERT INTO DEPT VALUES (20, 'R and D ''East''', 99);
INSERT INTO DEPT VALUES (30, 'Zoë', NULL);
INSERT INTO EMP VALUES (1, 10, 'O''Brien', TO_DATE('2001-02-03 04:05:06', 'YYYY-MM-DD HH24:MI:SS'), .5);
INSERT INTO EMP VALUES (2, 20, 'back\slash "quoted"', NULL, -12.125);
INSERT INTO EMP VALUES (3, NULL, NULL, TO_DATE('1999-12-31 23:59:59', 'YYYY-MM-DD HH24:MI:SS'), 0);
CREATE VIEW RICH AS SELECT NAME FROM DEPT WHERE BUDGET > 100;
COMMIT;
)";

const char* const success =
    "Wizard has converted your Oracle database into\nMySQL data source successfully.\n\nClick 'Finish' to exit the "
    "wizard.";

const std::vector<std::string> dept_rows{"10|Sales|1234.50", "20|R and D 'East'|99.00", "30|Zoë|NULL"};
const std::vector<std::string> emp_rows{"1|10|O'Brien|2001-02-03 04:05:06|0.500",
                                        "2|20|back\\slash \"quoted\"|NULL|-12.125",
                                        "3|NULL|NULL|1999-12-31 23:59:59|0.000"};
const std::vector<std::string> query_rows{"10|Sales"};

class WizardRun : public wizard_fixture {
protected:
    void SetUp() override {
        wizard_fixture::SetUp();
        db_ = app_test::test_db_name("wizrun");
        service_ = "S" + std::to_string(::getpid());
        app_test::build_store(service_, schema);
        srv_.exec("DROP DATABASE IF EXISTS `" + db_ + "`");
    }
    void TearDown() override { srv_.exec("DROP DATABASE IF EXISTS `" + db_ + "`"); }

    // The welcome page's road, then the Oracle page filled in and connected.
    void welcome_and_oracle(int road) {
        wizard_test::welcome_and_oracle(road, service_, "scott", "tiger");
        click_sheet(ui::id_next);  // connects behind the wait dialog
    }
    // The query dialog of the tables page, filled in and confirmed.
    static void add_query(const std::string& name, const std::string& query) {
        test_support::when_modal(dialog_with(set_query_dlg::id_name),
                                 [name, query](QWidget* w) { fill_query_dialog(w, name, query); });
        click_control(sel_tables_page::id_add_query);
    }
    // Waits for the finish page, saves the settings into the profile and presses Finish.
    static void finish_and_save(const std::string& profile, std::string& result_text) {
        const wizard_page* finish = wait_for_page(gui_finish_page::dialog_id);
        ASSERT_TRUE(finish);
        result_text = compat::utf16_to_utf8(finish->get_text(gui_finish_page::id_result));
        answer_file_dialog(profile);
        click_control(gui_finish_page::id_save);
        click_sheet(ui::id_finish);
    }
    // The rows of the three tables that the runs convert, in `db`.
    void expect_converted_rows(const std::string& why) {
        SCOPED_TRACE(why);
        EXPECT_EQ(row_texts(srv_, "SELECT ID, NAME, BUDGET FROM `" + db_ + "`.DEPT ORDER BY ID"), dept_rows);
        EXPECT_EQ(row_texts(srv_, "SELECT ID, DEPT_ID, NAME, HIRED, RATE FROM `" + db_ + "`.EMP ORDER BY ID"),
                  emp_rows);
        EXPECT_EQ(row_texts(srv_, "SELECT ID, NAME FROM `" + db_ + "`.RICH_DEPTS ORDER BY ID"), query_rows);
    }
    // The saved profile, run by `marrowgate PROFILE` (to its finish page) and by
    // `tollspar --profile=PROFILE`, gives the same rows again; `reset` clears the
    // destination before each run and `written` brings what was written into `db`.
    void expect_profile_reproduces(const std::string& profile, const std::function<void()>& reset,
                                   const std::function<void()>& written) {
        reset();
        std::string result_text;
        EXPECT_EQ(run_wizard(front_, profile,
                             [&] {
                                 const wizard_page* finish = wait_for_page(gui_finish_page::dialog_id);
                                 if (finish)
                                     result_text = compat::utf16_to_utf8(finish->get_text(gui_finish_page::id_result));
                                 click_sheet(ui::id_finish);
                             }),
                  0)
            << "everything arrived";
        EXPECT_EQ(result_text, success);
        written();
        expect_converted_rows("marrowgate " + profile);

        reset();
        const test_support::proc_result r = tollspar_with_profile(profile);
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        written();
        expect_converted_rows("tollspar --profile=" + profile);
    }

    std::string db_;
    std::string service_;
    app_test::server srv_;
};

}  // namespace

TEST_F(WizardRun, IntoTheServerFromWelcomeToFinish) {
    // A database of an earlier run, which the overwrite dialog's first mode drops.
    srv_.exec("CREATE DATABASE `" + db_ + "`");
    srv_.exec("CREATE TABLE `" + db_ + "`.STALE (X INT)");
    const std::string profile = app_test::temp_dir() + "/" + db_;
    box_answerer boxes;  // none expected
    std::vector<int> pages;
    std::string result_text;
    const int result = run_wizard(front_, "", [&] {
        welcome_and_oracle(welcome_page::id_direct);
        ASSERT_TRUE(wait_for_page(sql_settings_page2::dialog_id));
        click_control(sql_settings_page2::id_remote);
        type(sql_settings_page2::id_host, "127.0.0.1");
        type(sql_settings_page2::id_port, std::to_string(app_test::sandbox_port()));
        type(sql_settings_page2::id_user, "root");
        type(sql_settings_page2::id_password, "");
        click_sheet(ui::id_next);

        ASSERT_TRUE(wait_for_page(sel_file_page::dialog_id));
        type(sel_file_page::id_dest, db_);
        set_check(sel_file_page::id_views, false);
        answer_overwrite(compat::utf16_to_utf8(quarnel_convertor::get_title()) + " Warning", overwrite_dlg2::id_entire,
                         ui::id_ok);
        click_sheet(ui::id_next);

        // Both tables, one by a double click and one by Add, and a stored query.
        auto* tables = wait_for<qrn_sel_tables_page>();
        ASSERT_TRUE(tables);
        EXPECT_EQ(tables->list_count(sel_tables_page::id_available), 2);
        double_click_entry(control(sel_tables_page::id_available), 0);
        click_control(sel_tables_page::id_add);
        add_query("RICH_DEPTS", "  select ID, NAME from DEPT where BUDGET > 1000");
        EXPECT_EQ(tables->list_count(sel_tables_page::id_selected), 3);
        click_sheet(ui::id_next);  // views off: straight to the run

        pages.push_back(current_page()->dialog_id());
        finish_and_save(profile, result_text);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(pages, (std::vector<int>{progress_page::dialog_id}));
    EXPECT_EQ(result_text, success);
    EXPECT_TRUE(boxes.seen().empty()) << boxes.seen()[0].text;
    EXPECT_EQ(row_texts(srv_, "SHOW TABLES FROM `" + db_ + "`"),
              (std::vector<std::string>{"DEPT", "EMP", "RICH_DEPTS"}))
        << "the database of the earlier run was dropped";
    expect_converted_rows("the wizard");

    expect_profile_reproduces(
        profile + ".qrn", [&] { srv_.exec("DROP DATABASE IF EXISTS `" + db_ + "`"); }, [] {});
}

TEST_F(WizardRun, IntoADumpFileFromWelcomeToFinish) {
    // The dump creates the database named after its file.
    const std::string dump = app_test::temp_dir() + "/" + db_ + ".sql";
    const std::string profile = app_test::temp_dir() + "/" + db_ + "-dump.qrn";
    box_answerer boxes;  // none expected
    std::vector<std::string> views;
    std::string result_text;
    const int result = run_wizard(front_, "", [&] {
        welcome_and_oracle(welcome_page::id_dump);
        ASSERT_TRUE(wait_for_page(sql_dump_page::dialog_id));
        click_control(sql_dump_page::id_new_version);
        click_control(sql_dump_page::id_unix_breaks);
        set_check(sql_dump_page::id_create_table, true);
        set_check(sql_dump_page::id_create_db, true);
        set_check(sql_dump_page::id_comments, true);
        click_sheet(ui::id_next);

        ASSERT_TRUE(wait_for_page(sel_file_page::dialog_id));
        type(sel_file_page::id_dest, dump);
        set_check(sel_file_page::id_views, true);
        click_sheet(ui::id_next);

        ASSERT_TRUE(wait_for<qrn_sel_tables_page>());
        click_control(sel_tables_page::id_add_all);
        add_query("RICH_DEPTS", "SELECT ID, NAME FROM DEPT WHERE BUDGET > 1000");
        click_sheet(ui::id_next);

        auto* views_page = wait_for<qrn_sel_views_page>();
        ASSERT_TRUE(views_page);
        for (int i = 0; i < views_page->list_count(sel_tables_page::id_available); ++i)
            views.push_back(compat::utf16_to_utf8(views_page->list_entry(sel_tables_page::id_available, i)));
        click_control(sel_tables_page::id_add_all);
        click_sheet(ui::id_next);

        finish_and_save(profile, result_text);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(views, (std::vector<std::string>{"RICH"}));
    EXPECT_EQ(result_text, success);
    EXPECT_TRUE(boxes.seen().empty()) << boxes.seen()[0].text;
    const std::string text = test_support::read_file(dump);
    EXPECT_EQ(text.find('\r'), std::string::npos) << "Unix line breaks were chosen";
    EXPECT_EQ(text.rfind("# File name: ", 0), 0u) << "comments were chosen";
    const auto load = [&] {
        const test_support::proc_result r = load_dump(dump);
        EXPECT_EQ(r.code, 0) << r.err;
    };
    load();
    expect_converted_rows("the wizard's dump");

    expect_profile_reproduces(
        profile,
        [&] {
            srv_.exec("DROP DATABASE IF EXISTS `" + db_ + "`");
            fs::remove(dump);
        },
        load);
}

// What the stock client prints in batch mode for the query's rows.
static std::string batch_rows(app_test::server& srv, const std::string& sql) {
    std::string out;
    for (const auto& row : srv.rows(sql)) {
        for (size_t i = 0; i < row.size(); ++i) out += (i ? "\t" : "") + row[i];
        out += "\n";
    }
    return out;
}

// A dump profile run by the wizard writes the file tollspar writes from it: names beyond
// ASCII and values that are SQL leave only ASCII in it, and the stock client loads it exact
// under every client character set, running nothing of the values.
// The merge mode that the profile keeps from a run into a server does not apply to a dump:
// both programs write the dump all the same (tollspar says so in a note).
TEST_F(WizardRun, ADumpProfileWritesTheFileTollsparWrites) {
    const std::string service = service_ + "N";
    app_test::build_store(service, test_support::hostile_names_script());
    const std::string dump = app_test::temp_dir() + "/" + db_ + ".sql";
    const std::string profile = write_profile(
        [&](quarnel_convertor& c) {
            c.set_source_name(compat::utf8_to_utf16(service));
            c.set_destination_name(compat::utf8_to_utf16(dump));
            c.set_mysql_direct(false);
            for (const std::string& table : test_support::hostile_tables())
                c.table_map[compat::utf8_to_utf16(table)] = u"";
            c.set_mode(udb_overwrite_mode::merge);
        },
        "names");
    EXPECT_EQ(run_wizard(front_, profile,
                         [] {
                             ASSERT_TRUE(wait_for_page(gui_finish_page::dialog_id));
                             click_sheet(ui::id_finish);
                         }),
              0);
    const std::string by_wizard = test_support::read_file(dump);
    fs::remove(dump);
    const test_support::proc_result r = tollspar_with_profile(profile);
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Note: the mode 3 does not apply to a dump file"), std::string::npos) << r.out;
    EXPECT_TRUE(by_wizard == test_support::read_file(dump));
    EXPECT_TRUE(std::all_of(by_wizard.begin(), by_wizard.end(), [](char c) { return (c & 0x80) == 0; }));
    EXPECT_NE(by_wizard.find("PREPARE s FROM @s"), std::string::npos);

    const std::string drop_intruder = "DROP USER IF EXISTS " + test_support::hostile_intruder() + "@localhost";
    for (const char* charset : {"gbk", "big5", "sjis", "cp932"}) {
        SCOPED_TRACE(charset);
        srv_.exec(drop_intruder);
        srv_.exec("DROP DATABASE IF EXISTS `" + db_ + "`");
        srv_.exec("CREATE DATABASE `" + db_ + "`");
        srv_.exec("CREATE TABLE `" + db_ + "`.SENTINEL (a INT)");
        const test_support::proc_result loaded = load_dump(dump, db_, charset);
        EXPECT_EQ(loaded.code, 0) << loaded.err;
        for (const auto& check : test_support::hostile_names_arrived(db_))
            EXPECT_EQ(batch_rows(srv_, check.sql), check.expected) << check.sql;
    }
    srv_.exec(drop_intruder);
}

TEST_F(WizardRun, ClosingTheWizardDuringARunStopsTheRunAndStoresTheSettings) {
    app_test::build_store(service_, held_fifo_schema(3000));
    const std::string dump = app_test::temp_dir() + "/" + db_ + ".sql";
    const std::string profile = write_profile(
        [&](quarnel_convertor& c) {
            c.set_source_name(compat::utf8_to_utf16(service_));
            c.set_destination_name(compat::utf8_to_utf16(dump));
            c.set_mysql_direct(false);
            c.table_map[u"BIG"] = u"";
        },
        "held");
    ASSERT_EQ(stored_settings(), "");
    // The run is held inside the table until the stop was asked for.
    const held_fifo fifo(dump, [] {
        const quarnel_convertor* conv = quarnel_convertor::try_get();
        return conv && conv->stop_requested();
    });
    ASSERT_TRUE(fifo.ready());
    box_answerer boxes({QMessageBox::Yes});
    bool running = false;
    const int result = run_wizard(front_, profile, [&] {
        ASSERT_TRUE(wait_for_page(progress_page::dialog_id));
        running = test_support::wait_until([] { return quarnel_convertor::instance().record_index.load() > 0; },
                                           page_timeout_ms);
        // The close box, as the user closes the window.
        wizard_shell::instance().sheet().native()->close();
    });
    EXPECT_TRUE(running);
    EXPECT_EQ(result, -1) << "a stopped profile run failed";
    EXPECT_TRUE(fifo.released_on_request()) << "the run was not asked to stop";
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "Are you sure you want to exit the wizard?");
    const std::string stored = stored_settings();
    EXPECT_NE(stored.find(service_), std::string::npos) << stored;
    EXPECT_NE(stored.find(dump), std::string::npos) << stored;
}

namespace {

// Holds the run at the start of a table until released, as a slow table would.
class held_front : public wizard_front_end {
public:
    void table_started(const compat::wstring& table, int records) override {
        wizard_front_end::table_started(table, records);
        std::unique_lock<std::mutex> lock(mutex_);
        if (table != hold_at_) return;
        held_ = true;
        wake_.notify_all();
        wake_.wait(lock, [this] { return released_; });
    }
    void hold_at(compat::wstring table) { hold_at_ = std::move(table); }
    bool held() {
        std::lock_guard<std::mutex> lock(mutex_);
        return held_;
    }
    void release() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            released_ = true;
        }
        wake_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    compat::wstring hold_at_;
    bool held_ = false;
    bool released_ = false;
};

}  // namespace

// After "Do not show this dialog box again" and 25 errors, the server goes away in the middle
// of a table: the run stops, and the finish page says so, names the table, lists the first
// twenty errors, how many more there were, and the error that ended the run. The tables
// before it are there, the one it stopped in is cut, none after it was started, and profile
// mode ends as failed.
TEST_F(WizardRun, ARunThatStopsSaysWhereAndListsTheErrorThatEndedIt) {
    const std::string profile = write_profile(
        [&](quarnel_convertor& c) {
            c.set_source_name(compat::utf8_to_utf16(service_));
            c.set_destination_name(compat::utf8_to_utf16(db_));
            c.set_mysql_direct(true);
            c.store_mysql_settings("127.0.0.1", "root", "", std::to_string(app_test::sandbox_port()));
            c.set_mode(udb_overwrite_mode::replace_database);
            for (int i = 1; i <= 25; ++i)
                c.table_map[compat::utf8_to_utf16(compat::format("A%02d", i))] = u"SELECT * FROM NOPE";
            c.table_map[u"B_FIRST"] = u"SELECT ID, NAME FROM DEPT";
            c.table_map[u"EMP"] = u"";
            c.table_map[u"ZZ_LATER"] = u"SELECT ID FROM DEPT";
        },
        "stops");
    held_front front;
    front.hold_at(u"EMP");
    int asked = 0;
    test_support::window_watcher continues(dialog_with(1222), [&](QWidget* w) {
        ++asked;
        click(w->findChild<QWidget*>("1222"));
        click(w->findChild<QWidget*>("2"));
    });
    box_answerer boxes;
    std::string title, result_text, errors;
    const int result = run_wizard(front, profile, [&] {
        ASSERT_TRUE(test_support::wait_until([&] { return front.held(); }, page_timeout_ms));
        // The server goes away while the run is in EMP.
        const unsigned long id = mysql_thread_id(quarnel_convertor::instance().mysql_engine().connection().handle());
        srv_.exec("KILL CONNECTION " + std::to_string(id));
        front.release();
        const wizard_page* finish = wait_for_page(gui_finish_page::dialog_id);
        ASSERT_TRUE(finish);
        title = compat::utf16_to_utf8(finish->get_text(gui_finish_page::id_title));
        result_text = compat::utf16_to_utf8(finish->get_text(gui_finish_page::id_result));
        errors = compat::utf16_to_utf8(finish->get_text(gui_finish_page::id_errors));
        click_sheet(ui::id_finish);
    });
    EXPECT_EQ(result, -1) << "a run that stopped failed";
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(boxes.seen().empty()) << boxes.seen()[0].text;
    EXPECT_EQ(title, "Conversion has Stopped");
    EXPECT_EQ(result_text, "The conversion stopped in table 'EMP' before its end.\nClick 'Finish' to exit the wizard.");
    std::vector<std::string> listed;
    for (const std::string& line : test_support::lines_of(errors))
        if (!line.empty()) listed.push_back(line);
    ASSERT_EQ(listed.size(), 22u) << errors;
    for (int i = 1; i <= 20; ++i)
        EXPECT_EQ(listed[i - 1].rfind(compat::format("A%02d: ORA-00942", i), 0), 0u) << listed[i - 1];
    EXPECT_EQ(listed[20], "... and 5 more errors");
    EXPECT_TRUE(listed[21].starts_with("EMP: The MySQL server has gone away: it stopped, or") ||
                listed[21].starts_with("EMP: Lost connection to the MySQL server."))
        << listed[21];
    EXPECT_EQ(row_texts(srv_, "SHOW TABLES FROM `" + db_ + "`"), (std::vector<std::string>{"B_FIRST", "EMP"}));
    EXPECT_EQ(row_texts(srv_, "SELECT ID, NAME FROM `" + db_ + "`.B_FIRST ORDER BY ID"),
              (std::vector<std::string>{"10|Sales", "20|R and D 'East'", "30|Zoë"}));
    EXPECT_EQ(srv_.scalar("SELECT COUNT(*) FROM `" + db_ + "`.EMP"), "0");
}
