// The tables and views pages and the query dialog with real widgets over a fixture store:
// moving entries, stored queries (duplicates in any letter case refused, on adding and on
// renaming), the SELECT test, removing and re-adding a query, what Next hands the
// converter, and when the views page is skipped.
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "GUI2/g_query.h"
#include "GUI2/g_wait_run.h"
#include "GUI2/qrn_tabs.h"
#include "GUI2/qrn_views.h"
#include "tests/GUI2/pages_fixture.h"
#include "tests/GUI2/wizard_driver.h"
#include "tests/app/app_fixture.h"

namespace ui = compat::ui;
using compat::wstring;
using test_support::box_answerer;
using test_support::click;
using test_support::when_modal;
using strings = std::vector<std::string>;

namespace {

const char* schema = R"(
CREATE USER scott IDENTIFIED BY tiger;
CREATE TABLE C (ID NUMBER(10) PRIMARY KEY, NAME VARCHAR2(20));
INSERT INTO C VALUES (1, 'one');
CREATE TABLE B_TAB (ID NUMBER(10));
CREATE TABLE "a_tab" (ID NUMBER(10));
CREATE TABLE "d" (ID NUMBER(10));
CREATE VIEW V_ONE AS SELECT ID FROM C;
CREATE VIEW V_TWO AS SELECT NAME FROM C;
COMMIT;
)";

const char* schema_without_views = R"(
CREATE USER scott IDENTIFIED BY tiger;
CREATE TABLE C (ID NUMBER(10) PRIMARY KEY);
COMMIT;
)";

class SelectionPages : public pages_fixture {
protected:
    void SetUp() override {
        connect_source(schema);
        conv_.set_mysql_direct(false);  // a dump file takes views
        conv_.convert_views = false;    // the stored setting's default is on
        for (ui::page* p : std::initializer_list<ui::page*>{&tables_, &views_, &progress_}) shell_->add_page(*p);
    }

    using step = std::function<void(QWidget*)>;
    // The query dialog opens once per step; each step fills it and ends it. The next step
    // waits for the next opening.
    static void query_dialogs(std::vector<step> steps) {
        auto all = std::make_shared<std::vector<step>>(std::move(steps));
        chain(all, 0);
    }
    static void chain(std::shared_ptr<std::vector<step>> steps, size_t i) {
        if (i >= steps->size()) return;
        when_modal(dialog_titled("Add Query"), [steps, i](QWidget* w) {
            (*steps)[i](w);
            chain(steps, i + 1);
        });
    }
    // A step that types the name and the query and presses OK.
    static step type_and_ok(const std::string& name, const std::string& query) {
        return [name, query](QWidget* w) { wizard_test::fill_query_dialog(w, name, query); };
    }
    // A step that notes what the dialog shows before the next step acts on it.
    static step note(std::string& name, std::string& query, step then) {
        return [&name, &query, then](QWidget* w) {
            name = w->findChild<QLineEdit*>("1019")->text().toStdString();
            query = w->findChild<QPlainTextEdit*>("1020")->toPlainText().toStdString();
            then(w);
        };
    }

    qrn_sel_tables_page tables_;
    qrn_sel_views_page views_;
    stub_page progress_{107};
};

// The tables page behind a page it goes Back to.
class SelectionPagesAfterAnother : public SelectionPages {
protected:
    void SetUp() override {
        connect_source(schema);
        conv_.set_mysql_direct(false);
        conv_.convert_views = false;
        for (ui::page* p : std::initializer_list<ui::page*>{&before_, &tables_, &views_, &progress_})
            shell_->add_page(*p);
    }

    stub_page before_{106};
};

// The store locked against every reader while it lives, as a busy server keeps a client
// waiting; the client library waits for it (up to its busy timeout) and then reads.
class store_lock {
public:
    explicit store_lock(const std::string& path) {
        if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK ||
            sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr))
            ADD_FAILURE() << "cannot lock " << path;
    }
    ~store_lock() { release(); }
    store_lock(const store_lock&) = delete;
    store_lock& operator=(const store_lock&) = delete;
    void release() {
        if (!db_) return;
        sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
        db_ = nullptr;
    }

private:
    sqlite3* db_ = nullptr;
};

constexpr int avail = sel_tables_page::id_available;
constexpr int chosen = sel_tables_page::id_selected;

}  // namespace

TEST_F(SelectionPages, EntriesMoveWithTheFourButtonsAndADoubleClick) {
    box_answerer boxes({QMessageBox::No, QMessageBox::Yes});
    strings first, after_add, after_last, after_double, after_all, after_remove, after_remove_all;
    int current_after_add = -2, current_after_last = -2, current_selected_after_all = -2;
    ui::page* after_no = nullptr;
    run_sheet([&] {
        first = entries(tables_, avail);
        click(tables_.control(sel_tables_page::id_add));
        after_add = entries(tables_, avail);
        current_after_add = tables_.list_current(avail);
        tables_.list_set_current(avail, 2);  // the last entry
        click(tables_.control(sel_tables_page::id_add));
        after_last = entries(tables_, avail);
        current_after_last = tables_.list_current(avail);
        double_click(tables_, avail, 0);
        after_double = entries(tables_, chosen);
        click(tables_.control(sel_tables_page::id_add_all));
        after_all = entries(tables_, chosen);
        current_selected_after_all = tables_.list_current(chosen);
        tables_.list_set_current(chosen, 0);
        click(tables_.control(sel_tables_page::id_remove));
        after_remove = entries(tables_, avail);
        click(tables_.control(sel_tables_page::id_remove_all));
        after_remove_all = entries(tables_, avail);
        // Nothing selected: the question, answered No, keeps the page; Yes goes on.
        shell_->sheet().press(ui::id_next);
        after_no = current_page();
        shell_->sheet().press(ui::id_next);
        shell_->sheet().close();
    });
    EXPECT_EQ(first, (strings{"a_tab", "B_TAB", "C", "d"}));  // sorted without case
    EXPECT_EQ(after_add, (strings{"B_TAB", "C", "d"}));
    EXPECT_EQ(current_after_add, 0);
    EXPECT_EQ(after_last, (strings{"B_TAB", "C"}));
    EXPECT_EQ(current_after_last, 1);
    EXPECT_EQ(after_double, (strings{"a_tab", "B_TAB", "d"}));
    EXPECT_EQ(after_all, (strings{"a_tab", "B_TAB", "C", "d"}));
    EXPECT_EQ(current_selected_after_all, 0);
    EXPECT_EQ(after_remove, (strings{"a_tab"}));
    EXPECT_EQ(after_remove_all, (strings{"a_tab", "B_TAB", "C", "d"}));
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].text, "There are no tables selected. Continue anyway?");
    EXPECT_EQ(boxes.seen()[0].default_button, QMessageBox::No);
    EXPECT_EQ(after_no, &tables_);
    EXPECT_EQ(progress_.activations, 1);  // convert-views is off: straight to the progress page
    EXPECT_TRUE(conv_.selected_tables.empty());
}

// "&Available tables:" (the list's label) and "&Add Query" both claim Alt+A: each press
// moves the focus to the other one, and none presses Add Query.
TEST_F(SelectionPages, AltAReachesTheAvailableListAndAddQueryInTurn) {
    test_support::window_watcher query_dialogs(dialog_titled("Add Query"), [](QWidget* w) { w->close(); });
    std::vector<std::string> focus;
    run_sheet([&] {
        for (int press = 0; press < 4; ++press) {
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : tables_.native();
            QTest::keyClick(target, Qt::Key_A, Qt::AltModifier);
            QApplication::processEvents();
            focus.push_back(QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString()
                                                        : "(none)");
        }
        shell_->sheet().close();
    });
    const std::string list = std::to_string(avail), add_query = std::to_string(sel_tables_page::id_add_query);
    ASSERT_EQ(focus.size(), 4u);
    EXPECT_TRUE((focus == strings{list, add_query, list, add_query}) ||
                (focus == strings{add_query, list, add_query, list}))
        << focus[0] << " " << focus[1] << " " << focus[2] << " " << focus[3];
    EXPECT_EQ(query_dialogs.seen(), 0) << "Alt+A pressed Add Query";
    EXPECT_TRUE(conv_.table_map.empty());
}

TEST_F(SelectionPages, QueriesAreRefusedAsDuplicatesAddedRenamedRemovedAndAddedBack) {
    box_answerer boxes;
    std::string reopened_name, reopened_query, edit_name, edit_query;
    strings after_add, available_after_remove, after_back, after_rename;
    bool kept_text = false, restored = false;
    const std::string long_name(300, 'L');
    ui::page* after_next = nullptr;
    run_sheet([&] {
        // A query named like a table in another letter case is refused, and the dialog comes
        // back with what was typed.
        query_dialogs({type_and_ok("A_TAB", "select * from C"),
                       note(reopened_name, reopened_query, type_and_ok("Q1", "  \n\t select * from C"))});
        click(tables_.control(sel_tables_page::id_add_query));
        after_add = entries(tables_, chosen);
        // Removed, it waits among the available entries with its text; added back, it is a
        // query again.
        tables_.list_set_current(chosen, 0);
        click(tables_.control(sel_tables_page::id_remove));
        available_after_remove = entries(tables_, avail);
        kept_text = tables_.available_queries().count(u"Q1") == 1 && tables_.selected_queries().empty();
        tables_.list_set_current(avail, 4);  // Q1, after the tables
        click(tables_.control(sel_tables_page::id_add));
        after_back = entries(tables_, chosen);
        restored = tables_.selected_queries().count(u"Q1") == 1 && tables_.available_queries().empty();
        // Renaming checks the lists as adding does; the entry's own name in another case is
        // no duplicate.
        query_dialogs({note(edit_name, edit_query, type_and_ok("b_tab", "select * from C")),
                       type_and_ok("q1", "select ID from C")});
        double_click(tables_, chosen, 0);
        // A long name is kept whole.
        query_dialogs({type_and_ok(long_name, "select NAME from C")});
        click(tables_.control(sel_tables_page::id_add_query));
        after_rename = entries(tables_, chosen);
        shell_->sheet().press(ui::id_next);
        after_next = current_page();
        shell_->sheet().close();
    });
    EXPECT_EQ(reopened_name, "A_TAB");
    EXPECT_EQ(reopened_query, "select * from C");
    EXPECT_EQ(after_add, (strings{"Q1"}));
    EXPECT_EQ(available_after_remove, (strings{"a_tab", "B_TAB", "C", "d", "Q1"}));
    EXPECT_TRUE(kept_text);
    EXPECT_EQ(after_back, (strings{"Q1"}));
    EXPECT_TRUE(restored);
    EXPECT_EQ(edit_name, "Q1");
    EXPECT_EQ(edit_query, "select * from C");  // the leading blanks went on OK
    EXPECT_EQ(after_rename, (strings{long_name, "q1"}));
    ASSERT_EQ(boxes.seen().size(), 2u);
    for (const auto& box : boxes.seen()) {
        EXPECT_EQ(box.text, "Duplicate table name. Try again.");
        EXPECT_EQ(box.icon, QMessageBox::Information);
    }
    EXPECT_EQ(after_next, &progress_);
    EXPECT_TRUE(conv_.selected_tables.empty());
    EXPECT_EQ(conv_.table_map, (udb_converter::query_map{{compat::utf8_to_utf16(long_name), u"select NAME from C"},
                                                         {u"q1", u"select ID from C"}}));
    EXPECT_TRUE(conv_.available_queries.empty());
}

TEST_F(SelectionPages, SelectTestOfTheQueryDialog) {
    struct row {
        const char16_t* text;
        bool not_select;
    } rows[] = {
        {u"", false},     {u"SELECT", false}, {u"\r\n\t  select * from C", false}, {u"SeLeCt\n1", false},
        {u"SELEC", true}, {u"  \n ", true},   {u"UPDATE C SET ID=1", true},        {u" (SELECT 1)", true},
    };
    for (const row& r : rows) EXPECT_EQ(is_not_select(r.text), r.not_select) << utf8(r.text);

    box_answerer boxes;
    set_query_dlg dialog(u"", u"");
    const int result = test_support::run_with([&] { return dialog.run_modal(nullptr); },
                                              [&] {
                                                  auto type = [&](const char16_t* name, const char16_t* query) {
                                                      dialog.set_text(set_query_dlg::id_name, name);
                                                      dialog.set_text(set_query_dlg::id_query, query);
                                                  };
                                                  type(u"", u"select * from C");
                                                  click(dialog.control(ui::id_ok));
                                                  type(u"N", u"SELEC");
                                                  click(dialog.control(ui::id_ok));
                                                  type(u"N", u" \n ");
                                                  click(dialog.control(ui::id_ok));
                                                  type(u"N", u"");
                                                  click(dialog.control(ui::id_ok));
                                                  type(u"N", u"select * from C");
                                                  click(dialog.control(set_query_dlg::id_test));
                                                  type(u"N", u"select * from NOPE");
                                                  click(dialog.control(set_query_dlg::id_test));
                                                  type(u"N", u"SELEC");
                                                  click(dialog.control(set_query_dlg::id_test));
                                                  type(u"N", u"\n  select * from C");
                                                  click(dialog.control(ui::id_ok));
                                              });
    EXPECT_EQ(result, ui::id_ok);
    EXPECT_EQ(dialog.name(), u"N");
    EXPECT_EQ(dialog.query(), u"select * from C");
    const std::vector<std::pair<std::string, QMessageBox::Icon>> expected = {
        {"Table name is empty!", QMessageBox::Information},
        {"The query must start with SELECT.", QMessageBox::Critical},
        {"The query must start with SELECT.", QMessageBox::Critical},
        {"Query is empty!", QMessageBox::Critical},
        {"The query is correct.", QMessageBox::Information},
        {"You have an error in your query syntax. Make sure that it is a correct SQL SELECT-statement. If the "
         "error persists, please contact our support team at support@marrowgate.example.",
         QMessageBox::Critical},
        {"The query must start with SELECT.", QMessageBox::Critical},
    };
    ASSERT_EQ(boxes.seen().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(boxes.seen()[i].text, expected[i].first) << i;
        EXPECT_EQ(boxes.seen()[i].icon, expected[i].second) << i;
    }
}

TEST_F(SelectionPages, ViewsPageWhenViewsAreWantedAndTheChoiceSurvivesBackAndNext) {
    conv_.convert_views = true;
    box_answerer boxes;
    ui::page* after_tables = nullptr;
    strings views_listed, tables_again, views_again, views_kept;
    run_sheet([&] {
        tables_.list_set_current(avail, 2);  // C
        click(tables_.control(sel_tables_page::id_add));
        shell_->sheet().press(ui::id_next);
        after_tables = current_page();
        views_listed = entries(views_, avail);
        views_.list_set_current(avail, 1);  // V_TWO
        click(views_.control(sel_tables_page::id_add));
        shell_->sheet().press(ui::id_next);  // views page: nothing asked
        shell_->sheet().press(ui::id_back);
        views_again = entries(views_, chosen);
        // A view added and left with Back is there when the page comes again.
        views_.list_set_current(avail, 0);  // V_ONE
        click(views_.control(sel_tables_page::id_add));
        shell_->sheet().press(ui::id_back);
        tables_again = entries(tables_, chosen);
        shell_->sheet().press(ui::id_next);
        views_kept = entries(views_, chosen);
        shell_->sheet().close();
    });
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_EQ(after_tables, &views_);
    EXPECT_EQ(views_listed, (strings{"V_ONE", "V_TWO"}));
    EXPECT_EQ(progress_.activations, 1);
    ASSERT_EQ(conv_.views.size(), 1u);
    EXPECT_EQ(conv_.views.begin()->first, u"V_TWO");
    EXPECT_NE(utf8(conv_.views.begin()->second).find("NAME"), std::string::npos);
    EXPECT_EQ(conv_.selected_tables, (std::vector<wstring>{u"C"}));
    EXPECT_EQ(views_again, (strings{"V_TWO"}));
    EXPECT_EQ(tables_again, (strings{"C"}));
    EXPECT_EQ(views_kept, (strings{"V_ONE", "V_TWO"}));
}

TEST_F(SelectionPages, ViewsPageSkippedWhenTheSourceHasNoViews) {
    connect_source(schema_without_views);
    conv_.convert_views = true;
    run_sheet([&] {
        click(tables_.control(sel_tables_page::id_add_all));
        shell_->sheet().press(ui::id_next);
        shell_->sheet().close();
    });
    EXPECT_EQ(progress_.activations, 1);
    EXPECT_EQ(conv_.selected_tables, (std::vector<wstring>{u"C"}));
}

TEST_F(SelectionPages, TablesViewsAndQueryDialogOpenTheirHelpTopics) {
    conv_.convert_views = true;
    box_answerer answers({QMessageBox::Yes});  // nothing selected: go on anyway
    run_sheet([&] {
        click(sheet_button(ui::id_help));
        EXPECT_TRUE(wait_for_urls(1));
        when_modal(dialog_titled("Add Query"), [this](QWidget* w) {
            click(w->findChild<QWidget*>(QString::number(ui::id_help)));
            EXPECT_TRUE(wait_for_urls(2));
            click(w->findChild<QWidget*>(QString::number(ui::id_cancel)));
        });
        click(tables_.control(sel_tables_page::id_add_query));
        click(sheet_button(ui::id_next));
        EXPECT_EQ(current_page(), &views_);
        test_support::key(shell_->sheet().native(), Qt::Key_F1);
        shell_->sheet().close();
    });
    const std::string file = "file://" + wizard_shell::help_file() + "#topic-";
    ASSERT_TRUE(test_support::wait_until([&] { return opened_urls().size() == 3; }, 10000));
    EXPECT_EQ(opened_urls(), (strings{file + "1017", file + "1025", file + "1024"}));
}

// The lists of tables and views are read when the Oracle page connects, so the two pages
// show them while the Oracle server is busy; Test Query asks the server, and waits on a
// worker thread behind the wait dialog with the window answering until the server does.
TEST_F(SelectionPages, TheListsNeedNoServerAndTheQueryTestWaitsWithTheWindowAnswering) {
    conv_.convert_views = true;
    store_lock busy(app_test::store_folder().store(service_));
    const wizard_test::ui_ticks ticks;
    wizard_test::seen_wait seen;
    box_answerer boxes;
    strings tables, views;
    ui::page* after_tables = nullptr;
    run_sheet([&] {
        tables = entries(tables_, avail);
        click(tables_.control(sel_tables_page::id_add_all));
        shell_->sheet().press(ui::id_next);
        after_tables = current_page();
        views = entries(views_, avail);
        shell_->sheet().press(ui::id_back);
        when_modal(dialog_titled("Add Query"), [&](QWidget* w) {
            w->findChild<QPlainTextEdit*>("1020")->setPlainText("select * from C");
            wizard_test::while_waiting(wait_query_test, seen, ticks, [&] { busy.release(); });
            click(w->findChild<QWidget*>(QString::number(set_query_dlg::id_test)));
            click(w->findChild<QWidget*>(QString::number(ui::id_cancel)));
        });
        click(tables_.control(sel_tables_page::id_add_query));
        shell_->sheet().close();
    });
    EXPECT_EQ(tables, (strings{"a_tab", "B_TAB", "C", "d"}));
    EXPECT_EQ(after_tables, &views_);
    EXPECT_EQ(views, (strings{"V_ONE", "V_TWO"}));
    EXPECT_EQ(seen.text, "Testing the query on the Oracle server.\nPlease wait...");
    EXPECT_TRUE(seen.still_waiting) << "the test did not wait for the busy server";
    EXPECT_GE(seen.ticks, 10) << "the window stopped answering while the test waited";
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "The query is correct.");
}

// Back hands nothing to the converter, and yet the page keeps what it showed: the next
// activation shows it again, and only Next hands it over, so what runs is what the lists
// showed. Settings loaded while the page was left take its place.
struct back_case {
    const char* what;
    bool load_settings;  // while on the page before
    bool remove_query;   // after coming back
    strings selected_again, available_again;
    std::vector<wstring> tables;
    strings queries, available_queries;
};

void PrintTo(const back_case& c, std::ostream* os) { *os << c.what; }

class SelectionPagesBack : public SelectionPagesAfterAnother, public testing::WithParamInterface<back_case> {};

TEST_P(SelectionPagesBack, BackKeepsTheChoiceAndWhatRunsIsWhatTheListsShowed) {
    const back_case& r = GetParam();
    box_answerer boxes;
    strings selected_again, available_again;
    run_sheet([&] {
        shell_->sheet().press(ui::id_next);
        tables_.list_set_current(avail, 1);  // B_TAB
        click(tables_.control(sel_tables_page::id_add));
        query_dialogs({type_and_ok("Q1", "select * from C")});
        click(tables_.control(sel_tables_page::id_add_query));
        shell_->sheet().press(ui::id_back);
        if (r.load_settings) {
            conv_.selected_tables = {u"d"};
            conv_.table_map = {{u"Q9", u"select ID from C"}};
            conv_.available_queries.clear();
        }
        shell_->sheet().press(ui::id_next);
        selected_again = entries(tables_, chosen);
        available_again = entries(tables_, avail);
        if (r.remove_query) {
            tables_.list_set_current(chosen, 1);  // Q1
            click(tables_.control(sel_tables_page::id_remove));
        }
        shell_->sheet().press(ui::id_next);
        shell_->sheet().close();
    });
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_EQ(selected_again, r.selected_again);
    EXPECT_EQ(available_again, r.available_again);
    EXPECT_EQ(progress_.activations, 1);
    EXPECT_EQ(conv_.selected_tables, r.tables);
    strings queries, available;
    for (const auto& entry : conv_.table_map) queries.push_back(utf8(entry.first));
    for (const auto& entry : conv_.available_queries) available.push_back(utf8(entry.first));
    EXPECT_EQ(queries, r.queries) << "what runs is what the lists showed";
    EXPECT_EQ(available, r.available_queries);
    if (!r.queries.empty()) {
        EXPECT_EQ(conv_.table_map.begin()->second, r.load_settings ? u"select ID from C" : u"select * from C");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectionPagesBack,
    testing::Values(
        back_case{"Kept", false, false, {"B_TAB", "Q1"}, {"a_tab", "C", "d"}, {u"B_TAB"}, {"Q1"}, {}},
        back_case{"QueryRemovedAfterwards", false, true, {"B_TAB", "Q1"}, {"a_tab", "C", "d"}, {u"B_TAB"}, {}, {"Q1"}},
        back_case{"SettingsLoadedMeanwhile", true, false, {"d", "Q9"}, {"a_tab", "B_TAB", "C"}, {u"d"}, {"Q9"}, {}}),
    [](const testing::TestParamInfo<back_case>& p) { return std::string(p.param.what); });
