// The progress and finish pages with real widgets around real runs into dump files: the
// percentage, a run with no table, errors kept and listed read-only (with the first focus
// going on to Finish), "Do not show this dialog box again", Cancel during a run and its
// question closing itself when the run ends, Escape and the close box on the finish page,
// and Save Settings with the default-extension rule, a profile that cannot be written and
// the question before a file is replaced.
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QTest>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "GUI2/g_err_dlg.h"
#include "GUI2/g_finish.h"
#include "GUI2/g_progr.h"
#include "tests/GUI2/held_fifo.h"
#include "tests/GUI2/pages_fixture.h"
#include "tests/GUI2/wizard_driver.h"
#include "tests/app/app_fixture.h"
#include "tests/support/files.h"

namespace ui = compat::ui;
namespace fs = std::filesystem;
using compat::wstring;
using test_support::box_answerer;
using test_support::click;
using test_support::read_file;
using test_support::wait_until;
using test_support::when_modal;

namespace {

const char* schema = R"(
CREATE USER scott IDENTIFIED BY tiger;
CREATE TABLE A (ID NUMBER(10) PRIMARY KEY, NAME VARCHAR2(20));
INSERT INTO A VALUES (1, 'one');
INSERT INTO A VALUES (2, 'two');
COMMIT;
)";

class RunPages : public pages_fixture {
protected:
    void SetUp() override {
        connect_source(schema);
        add_run_pages();
    }

    void add_run_pages() {
        dump_ = app_test::temp_dir() + "/" + service_ + ".sql";
        fs::remove(dump_);
        conv_.set_mysql_direct(false);
        conv_.set_destination_name(compat::utf8_to_utf16(dump_));
        shell_->add_page(progress_);
        shell_->add_page(finish_);
    }

    // Runs the sheet from the progress page until the finish page shows, then the script.
    int run_to_finish(const std::function<void()>& at_finish) {
        return run_sheet([&] {
            reached_finish_ = wait_until([&] { return current_page() == &finish_; }, 20000);
            at_finish();
            shell_->sheet().press(ui::id_finish);
        });
    }

    std::string dump_;
    progress_page progress_;
    qrn_finish_page finish_{
        u"Wizard has converted your Oracle database into\nMySQL data source successfully.\n\nClick "
        u"'Finish' to exit the wizard.",
        u"There were some errors while converting the database.\nClick 'Finish' to exit the wizard.", u"qrn"};
    bool reached_finish_ = false;
};

class UnconnectedRunPages : public RunPages {
protected:
    void SetUp() override { add_run_pages(); }
};

// Presses Save Settings and types the name into the file dialog.
void save_as(qrn_finish_page& page, const std::string& path, std::string* title = nullptr,
             QStringList* filters = nullptr) {
    wizard_test::answer_file_dialog(path, title, filters);
    click(page.control(gui_finish_page::id_save));
}

}  // namespace

TEST(ProgressPercent, WholePercentsWithoutOverflow) {
    struct row {
        uint32_t tables, done, records, index, percent;
    } rows[] = {
        {0, 0, 0, 0, 0},                 // a run with no table
        {3, 1, 100, 50, 49},             // 1 x 100 / 3 + (50 x 100 / 100) / 3 = 33 + 16
        {2, 1, 0, 0, 50},                // a table without records adds nothing
        {1, 0, 100, 100, 100},           // the last record of the only table
        {1, 0, 50000000, 45000000, 90},  // the record index times 100 is past 32 bits
        {4, 3, 4294967295u, 4294967295u, 100},
    };
    for (const row& r : rows)
        EXPECT_EQ(progress_percent(r.tables, r.done, r.records, r.index), r.percent)
            << r.tables << " " << r.done << " " << r.records << " " << r.index;
}

TEST_F(RunPages, RunWithNoTableEndsOnTheSuccessText) {
    int bar = -1;
    bool errors_shown = true, cancel_enabled = true, help_enabled = true;
    std::string result_text, table_text;
    const int result = run_to_finish([&] {
        bar = qobject_cast<QProgressBar*>(progress_.control(progress_page::id_bar))->value();
        table_text = utf8(progress_.get_text(progress_page::id_table));
        result_text = utf8(finish_.get_text(gui_finish_page::id_result));
        errors_shown = finish_.is_shown(gui_finish_page::id_errors);
        cancel_enabled = sheet_button(ui::id_cancel)->isEnabled();
        help_enabled = sheet_button(ui::id_help)->isEnabled();
    });
    EXPECT_TRUE(reached_finish_);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(bar, 0);
    EXPECT_EQ(table_text, "");
    EXPECT_EQ(result_text,
              "Wizard has converted your Oracle database into\nMySQL data source successfully.\n\nClick 'Finish' to "
              "exit the wizard.");
    EXPECT_FALSE(errors_shown);
    EXPECT_FALSE(cancel_enabled);
    EXPECT_FALSE(help_enabled);
    EXPECT_FALSE(shell_->timer_running());
    EXPECT_TRUE(fs::exists(dump_));
}

TEST_F(RunPages, ProgressPageHelpOpensTheHelpFileAtItsStart) {
    // Pressed as the page shows, before the run's first tick can move on.
    const int result = run_sheet([&] {
        shell_->sheet().press(ui::id_help);
        reached_finish_ = wait_until([&] { return current_page() == &finish_; }, 20000);
        shell_->sheet().press(ui::id_finish);
    });
    EXPECT_EQ(result, 1);
    ASSERT_TRUE(wait_until([&] { return opened_urls().size() == 1; }, 10000));
    EXPECT_EQ(opened_urls()[0], "file://" + wizard_shell::help_file());
}

TEST_F(RunPages, ErrorsAreKeptListedReadOnlyAndDoNotShowSilencesTheRest) {
    conv_.selected_tables = {u"A"};
    conv_.table_map[u"QBAD1"] = u"SELECT * FROM NOPE1";
    conv_.table_map[u"QBAD2"] = u"SELECT * FROM NOPE2";
    int dialogs = 0;
    // The first error asks; "Do not show this dialog box again" and Continue silence the
    // second, which is still kept.
    when_modal(dialog_titled("Marrowgate Test Error"), [&](QWidget* w) {
        ++dialogs;
        click(w->findChild<QWidget*>("1222"));
        click(w->findChild<QWidget*>("2"));
    });
    box_answerer boxes;
    std::string result_text, errors;
    bool read_only = false, shown = false;
    QWidget *focus_at_start = nullptr, *focus_later = nullptr;
    run_to_finish([&] {
        result_text = utf8(finish_.get_text(gui_finish_page::id_result));
        shown = finish_.is_shown(gui_finish_page::id_errors);
        auto* box = qobject_cast<QPlainTextEdit*>(finish_.control(gui_finish_page::id_errors));
        read_only = box->isReadOnly();
        errors = box->toPlainText().toStdString();
        QWidget* sheet = shell_->sheet().native();
        sheet->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(sheet, 2000));
        test_support::pump(50);
        // The page starts on the box, whose first focus goes on to Finish; a later one stays.
        focus_at_start = QApplication::focusWidget();
        box->setFocus(Qt::MouseFocusReason);
        test_support::pump(50);
        focus_later = QApplication::focusWidget();
    });
    EXPECT_TRUE(reached_finish_);
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_EQ(result_text, "There were some errors while converting the database.\nClick 'Finish' to exit the wizard.");
    EXPECT_TRUE(shown);
    EXPECT_TRUE(read_only);
    const size_t first = errors.find("QBAD1: ORA-00942");
    const size_t second = errors.find("QBAD2: ORA-00942");
    EXPECT_NE(first, std::string::npos) << errors;
    EXPECT_NE(second, std::string::npos) << errors;
    EXPECT_LT(first, second);
    // Each error is followed by an empty line.
    EXPECT_NE(errors.find("\n\nQBAD2"), std::string::npos) << errors;
    EXPECT_EQ(focus_at_start, sheet_button(ui::id_finish));
    EXPECT_EQ(focus_later, finish_.control(gui_finish_page::id_errors));
    // The table that worked is in the dump.
    EXPECT_NE(read_file(dump_).find("INSERT INTO"), std::string::npos);
}

TEST_F(RunPages, SaveSettingsKeepsAGivenExtensionAddsAMissingOneAndReportsAFailure) {
    const std::string dir = app_test::temp_dir() + "/" + service_;
    fs::create_directories(dir);
    box_answerer boxes;
    std::string title;
    QStringList filters;
    run_to_finish([&] {
        save_as(finish_, dir + "/name.qrn.bak", &title, &filters);
        save_as(finish_, dir + "/name");
        save_as(finish_, "/proc/cannot.qrn");
    });
    EXPECT_EQ(title, "Select Profile File");
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(filters[0].startsWith("Profile Files (.qrn)")) << filters[0].toStdString();
    EXPECT_TRUE(filters[0].contains("*.qrn"));
    EXPECT_TRUE(filters[1].startsWith("All Files (*.*)"));
    EXPECT_TRUE(fs::exists(dir + "/name.qrn.bak"));
    EXPECT_FALSE(fs::exists(dir + "/name.qrn.bak.qrn"));
    EXPECT_TRUE(fs::exists(dir + "/name.qrn"));
    EXPECT_FALSE(fs::exists(dir + "/name"));
    // What was stored loads back.
    const std::string profile = read_file(dir + "/name.qrn");
    EXPECT_NE(profile.find(dump_), std::string::npos) << profile;
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "The settings could not be saved into the profile file '/proc/cannot.qrn'.");
    EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Critical);
}

// A run without a source fails its internal check on the conversion thread: the report is
// shown, and the error leaves the run's thread as the request to end the program.
TEST_F(UnconnectedRunPages, AnInternalErrorOfTheRunEndsTheWizardAndLeavesNothingUncollected) {
    std::string reported;
    when_modal([](QWidget* w) { return qobject_cast<QDialog*>(w) && w->findChild<QLabel*>("1320"); },
               [&](QWidget* w) {
                   reported = w->findChild<QLabel*>("1320")->text().toStdString();
                   click(w->findChild<QWidget*>("1108"));
               });
    run_sheet([&] { wait_until([&] { return wizard_shell::requested_exit() != -1; }, 20000); });
    EXPECT_EQ(reported.rfind("Internal error", 0), 0u) << reported;
    EXPECT_EQ(wizard_shell::requested_exit(), 255);
    // The exit is asked for before the run's thread has ended: it ends on its own. Had
    // the fixture's end come first, the page's destructor would stop and join it; either
    // way the error that left the run must not end the process.
    EXPECT_TRUE(wait_until([&] { return !progress_.is_running(); }, 10000));
    EXPECT_TRUE(conv_.is_finished());
}

TEST_F(RunPages, CancelDuringARunStopsItAndWaits) {
    // The dump goes into a FIFO that nobody reads until the stop was asked for, so the run
    // is certain to be held mid-table when Cancel is pressed, however fast the machine is.
    constexpr int rows = 3000;
    connect_source(held_fifo_schema(rows));
    conv_.selected_tables = {u"BIG"};
    box_answerer boxes({QMessageBox::Yes});
    bool running_at_cancel = false;
    std::string table_text;
    int result = -1;
    {
        const held_fifo fifo(dump_, [&] { return conv_.stop_requested(); });
        ASSERT_TRUE(fifo.ready());
        result = run_sheet([&] {
            wait_until([&] { return conv_.record_index.load() > 0; }, 20000);
            // The next tick names the table being written.
            wait_until([&] {
                table_text = utf8(progress_.get_text(progress_page::id_table));
                return !table_text.empty();
            });
            running_at_cancel = progress_.is_running();
            shell_->sheet().press(ui::id_cancel);
        });
        EXPECT_TRUE(fifo.released_on_request());
    }
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(running_at_cancel);
    EXPECT_EQ(table_text, "Processing table 'BIG'");
    EXPECT_FALSE(progress_.is_running());
    EXPECT_TRUE(conv_.is_finished());
    EXPECT_TRUE(conv_.run_failed());
    EXPECT_LT(conv_.record_index.load(), static_cast<unsigned>(rows));
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "Are you sure you want to exit the wizard?");
}

// A run that ends while the user thinks over Cancel's question has nothing left to stop: the
// question goes by itself (as No), the run's end is not counted as stopped, and the finish
// page comes with the whole table in the dump.
TEST_F(RunPages, TheCancelQuestionClosesItselfWhenTheRunEnds) {
    constexpr int rows = 3000;
    connect_source(held_fifo_schema(rows));
    conv_.selected_tables = {u"BIG"};
    std::atomic<bool> release{false};
    bool asked = false, closed_by_itself = false;
    std::string result_text, dump;
    int result = -1;
    {
        // The dump is read on into a file of its own once the question shows.
        const held_fifo fifo(dump_, [&] { return release.load(); });
        ASSERT_TRUE(fifo.ready());
        when_modal([](QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; },
                   [&](QWidget* w) {
                       asked = qobject_cast<QMessageBox*>(w)->text() == "Are you sure you want to exit the wizard?";
                       const QPointer<QWidget> box(w);
                       release = true;
                       closed_by_itself = wait_until([&] { return !box || !box->isVisible(); }, 30000);
                       if (!closed_by_itself) click(qobject_cast<QMessageBox*>(w)->button(QMessageBox::No));
                   });
        result = run_sheet([&] {
            wait_until([&] { return conv_.record_index.load() > 0; }, 20000);
            shell_->sheet().press(ui::id_cancel);
            reached_finish_ = wait_until([&] { return current_page() == &finish_; }, 30000);
            result_text = utf8(finish_.get_text(gui_finish_page::id_result));
            shell_->sheet().press(ui::id_finish);
        });
        EXPECT_TRUE(fifo.released_on_request());
    }
    EXPECT_TRUE(asked);
    EXPECT_TRUE(closed_by_itself);
    EXPECT_TRUE(reached_finish_);
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(conv_.run_failed());
    EXPECT_FALSE(conv_.stop_requested());
    EXPECT_EQ(result_text.rfind("Wizard has converted your Oracle database", 0), 0u) << result_text;
    EXPECT_EQ(conv_.record_index.load(), static_cast<unsigned>(rows));
}

// On the finish page there is nothing to cancel: Escape and the window's close box end the
// wizard as Finish does, without the question.
TEST_F(RunPages, EscapeAndTheCloseBoxActAsFinishOnTheFinishPage) {
    struct row {
        const char* name;
        std::function<void(QWidget*)> act;
    };
    const row rows[] = {
        {"Escape", [](QWidget* sheet) { QTest::keyClick(sheet, Qt::Key_Escape); }},
        {"close box", [](QWidget* sheet) { sheet->close(); }},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        box_answerer boxes({QMessageBox::Yes});
        bool ended = false;
        const int result = run_sheet([&] {
            reached_finish_ = wait_until([&] { return current_page() == &finish_; }, 20000);
            QWidget* sheet = shell_->sheet().native();
            r.act(sheet);
            ended = wait_until([&] { return !sheet->isVisible(); }, 5000);
            if (!ended) shell_->sheet().press(ui::id_finish);
        });
        EXPECT_TRUE(reached_finish_);
        EXPECT_TRUE(ended) << "the wizard stayed open";
        EXPECT_EQ(result, 1) << "ended as Cancel";
        EXPECT_TRUE(boxes.seen().empty()) << boxes.seen()[0].text;
    }
}

// Save Settings over a file that is there asks first (No the default): No keeps the file,
// Yes replaces it; a link to nowhere counts as there. A new name is not asked about.
TEST_F(RunPages, SaveSettingsAsksBeforeReplacingAFile) {
    const std::string dir = app_test::temp_dir() + "/" + service_ + "-ask";
    fs::remove_all(dir);
    fs::create_directories(dir);
    struct row {
        const char* name;
        std::function<void(const std::string&)> make;  // nullptr: no file
        QMessageBox::StandardButton answer;
        bool asked, replaced;
    };
    const auto plain = [](const std::string& path) { test_support::write_file(path, "kept"); };
    const auto dangling = [&dir](const std::string& path) { fs::create_symlink(dir + "/nowhere", path); };
    const row rows[] = {
        {"No keeps it", plain, QMessageBox::No, true, false},
        {"Yes replaces it", plain, QMessageBox::Yes, true, true},
        {"a link to nowhere", dangling, QMessageBox::No, true, false},
        {"a new name", nullptr, QMessageBox::No, false, true},
    };
    int k = 0;
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string path = dir + "/p" + std::to_string(++k) + ".qrn";
        if (r.make) r.make(path);
        box_answerer boxes({r.answer});
        run_to_finish([&] { save_as(finish_, path); });
        ASSERT_EQ(boxes.seen().size(), r.asked ? 1u : 0u);
        if (r.asked) {
            EXPECT_EQ(boxes.seen()[0].text, "The profile file '" + path + "' already exists. Replace it?");
            EXPECT_EQ(boxes.seen()[0].default_button, QMessageBox::No);
        }
        const bool replaced = fs::exists(path) && read_file(path) != "kept";
        EXPECT_EQ(replaced, r.replaced);
        if (replaced) {
            EXPECT_NE(read_file(path).find(dump_), std::string::npos);
        }
        fs::remove(dump_);
    }
}

// The notes of a run are listed on the finish page after its errors, as "Note: ..."; with
// notes only, the run is complete. The source has a column that MySQL cannot hold as it
// stands, and the run notes the change.
struct noted_case {
    const char* what;
    std::vector<wstring> tables;
    std::string result_text;
    std::string list;
};

void PrintTo(const noted_case& c, std::ostream* os) { *os << c.what; }

class NotedRunPages : public RunPages, public testing::WithParamInterface<noted_case> {
protected:
    void SetUp() override {
        connect_source(
            "CREATE USER scott IDENTIFIED BY tiger;\n"
            "CREATE TABLE ODD (ID NUMBER(5) PRIMARY KEY, P NUMBER(38,40));\n"
            "INSERT INTO ODD VALUES (1, 0.0012345);\nCOMMIT;\n");
        add_run_pages();
    }
};

TEST_P(NotedRunPages, NotesAreListedAfterTheErrors) {
    const noted_case& r = GetParam();
    conv_.selected_tables = r.tables;
    box_answerer boxes;
    std::string title, result_text, list;
    bool shown = false;
    const int result = run_to_finish([&] {
        title = utf8(finish_.get_text(gui_finish_page::id_title));
        result_text = utf8(finish_.get_text(gui_finish_page::id_result));
        shown = finish_.is_shown(gui_finish_page::id_errors);
        list = utf8(finish_.get_text(gui_finish_page::id_errors));
    });
    EXPECT_TRUE(reached_finish_);
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(boxes.seen().empty()) << boxes.seen()[0].text;
    EXPECT_EQ(title, "Conversion is Completed");
    EXPECT_EQ(result_text, r.result_text);
    EXPECT_TRUE(shown);
    EXPECT_EQ(list, r.list);
    EXPECT_NE(read_file(dump_).find("`P` DOUBLE"), std::string::npos) << read_file(dump_);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NotedRunPages,
    testing::Values(
        noted_case{"NotesOnly",
                   {u"ODD"},
                   "Wizard has converted your Oracle database into\nMySQL data source successfully.\n\nClick "
                   "'Finish' to exit the wizard.",
                   "Note: ODD: column P is DOUBLE: a MySQL DECIMAL cannot hold NUMBER(38,40)\n\n"},
        noted_case{"AnErrorAndANote",
                   {u"ODD", u"GONE"},
                   "There were some errors while converting the database.\nClick 'Finish' to exit the wizard.",
                   "Table GONE not exists\n\nNote: ODD: column P is DOUBLE: a MySQL DECIMAL cannot hold "
                   "NUMBER(38,40)\n\n"}),
    [](const testing::TestParamInfo<noted_case>& p) { return std::string(p.param.what); });
