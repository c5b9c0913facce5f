// Renders every page and dialog of the wizard to PNG files (offscreen platform), the way a
// user meets them in the program itself: the demo schema through the stand-in Oracle
// client, a tour from the welcome page through a run into a dump file with an error on the
// way (and a refused destination), the MySQL page and the questions, and saved profiles run
// to their success page and to the page of a stopped run.
// Usage: wiz_shots OUTPUT_FOLDER. Exits 1 when a page or dialog could not be rendered.
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>

#include "GUI2/g_err_dlg.h"
#include "GUI2/g_finish.h"
#include "GUI2/g_ora_pg.h"
#include "GUI2/g_progr.h"
#include "GUI2/g_sel_file.h"
#include "GUI2/g_sql_pg.h"
#include "GUI2/g_wait_dlg.h"
#include "GUI2/g_welcome.h"
#include "GUI2/g_wiz_fe.h"
#include "GUI2/g_wiz_sh.h"
#include "GUI2/qrn_tabs.h"
#include "GUI2/qrn_views.h"
#include "app/qrn_conv.h"
#include "app/qrn_errh.h"
#include "common/over_dlg.h"
#include "common/sql_dump.h"
#include "tests/GUI2/wizard_driver.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_driver.h"

namespace fs = std::filesystem;
namespace ui = compat::ui;
using namespace wizard_test;
using test_support::click;
using test_support::wait_until;
using test_support::when_modal;

namespace {

std::string out_dir;
std::vector<std::string> failures;
std::set<std::string> written;

// A picture counts when it has a size and more than one colour.
void shoot(QWidget* w, const std::string& name) {
    test_support::pump(150);
    const ui::image picture = ui::grab(w);
    bool varied = false;
    if (!picture.empty()) {
        const uint32_t first = picture.pixel(0, 0);
        for (int y = 0; y < picture.height() && !varied; y += 3)
            for (int x = 0; x < picture.width() && !varied; x += 3) varied = picture.pixel(x, y) != first;
    }
    const std::string path = out_dir + "/" + name + ".png";
    if (!varied || !picture.save_png(path)) {
        failures.push_back(name);
        return;
    }
    written.insert(name);
    std::printf("%s\n", path.c_str());
}

QWidget* sheet() { return wizard_shell::instance().sheet().native(); }
void shoot_sheet(const std::string& name) { shoot(sheet(), name); }

// A modal dialog that matches: shot, then handled by `then`.
void shoot_modal(std::function<bool(QWidget*)> match, const std::string& name, std::function<void(QWidget*)> then) {
    when_modal(std::move(match), [name, then](QWidget* w) {
        shoot(w, name);
        then(w);
    });
}

bool is_box(QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; }
std::function<bool(QWidget*)> titled(const char* caption) {
    return [caption](QWidget* w) { return qobject_cast<QDialog*>(w) && !is_box(w) && w->windowTitle() == caption; };
}
// A message box: shot, then answered with the button.
void shoot_box(const std::string& name, QMessageBox::StandardButton answer) {
    shoot_modal(is_box, name, [answer](QWidget* w) { click(static_cast<QMessageBox*>(w)->button(answer)); });
}

// Holds the run at the start of a chosen table, so that the progress page can be shot with
// the run going.
class shots_front : public wizard_front_end {
public:
    void table_started(const compat::wstring& table, int records) override {
        wizard_front_end::table_started(table, records);
        std::unique_lock<std::mutex> lock(mutex_);
        if (table != hold_at_) return;
        held_ = true;
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

// The offscreen platform warns about window hints it cannot honour; that is not news.
void quiet(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && !message.contains("propagateSizeHints"))
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

[[noreturn]] void no_display() {
    std::fputs("wiz_shots: Failed to initialize GUI library\n", stderr);
    std::exit(1);
}

void prepare_source(const std::string& work) {
    fs::create_directories(work + "/home/.config");
    setenv("HOME", (work + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (work + "/home/.config").c_str(), 1);
    setenv("OCILITE_DATA", work.c_str(), 1);
    setenv("MARROWGATE_OCI_LIB", MG_OCILITE_LIB, 1);
    const std::string load = std::string("'") + MG_OCILITE_LOAD + "' '" + work + "/DEMO.sqlite' < '" + MG_SOURCE_DIR +
                             "/demo/schema.sql' > /dev/null";
    if (std::system(load.c_str()) != 0) {
        std::fputs("wiz_shots: cannot build the demo store\n", stderr);
        std::exit(1);
    }
}

// The dump road from the welcome page to Finish: every page, the wait dialog, the question
// about an existing dump, the query dialog, a run held at its second table and an error on
// the way, the finish page with the error, and the dialogs reached from there.
void dump_road(shots_front& front, const std::string& work) {
    shoot_sheet("103-welcome");
    shoot_modal([](QWidget* w) { return qobject_cast<QFileDialog*>(w) != nullptr; }, "103-load-settings",
                [](QWidget* w) { QMetaObject::invokeMethod(w, "reject", Qt::DirectConnection); });
    click_control(welcome_page::id_load);
    welcome_and_oracle(welcome_page::id_dump, "DEMO", "demo", "demo");
    shoot_sheet("104-oracle");
    // The wait dialog as Next shows it while connecting (the store here answers at once).
    {
        wait_dialog waiting;
        test_support::run_with([&] { return waiting.run_modal(sheet()); },
                               [&] {
                                   shoot(waiting.native(), "101-wait");
                                   waiting.finish();
                               });
    }
    click_sheet(ui::id_next);
    if (!wait_for_page(sql_dump_page::dialog_id)) return;
    shoot_sheet("102-dump-options");
    // A dump that creates its database: its file's base name is that database's name.
    set_check(sql_dump_page::id_create_db, true);
    set_check(sql_dump_page::id_create_table, true);
    click_sheet(ui::id_next);

    if (!wait_for_page(sel_file_page::dialog_id)) return;
    // The server's own database as the destination is refused, and the page stays.
    type(sel_file_page::id_dest, work + "/mysql.sql");
    shoot_box("106-refused-destination", QMessageBox::Ok);
    click_sheet(ui::id_next);
    if (!wait_for_page(sel_file_page::dialog_id)) return;
    shoot_sheet("106-destination-refused");
    const std::string dump = work + "/DEMO.sql";
    std::ofstream(dump) << "an earlier dump";
    type(sel_file_page::id_dest, dump);
    set_check(sel_file_page::id_views, true);
    shoot_sheet("106-destination");
    shoot_modal([](QWidget* w) { return qobject_cast<QFileDialog*>(w) != nullptr; }, "106-browse",
                [](QWidget* w) { QMetaObject::invokeMethod(w, "reject", Qt::DirectConnection); });
    click_control(sel_file_page::id_browse);
    shoot_box("106-overwrite-file", QMessageBox::Yes);
    click_sheet(ui::id_next);

    auto* tables = wait_for<qrn_sel_tables_page>();
    if (!tables) return;
    shoot_sheet("127-tables");
    // Three tables chosen, then stored queries added in the query dialog: one that works and
    // one whose table is missing, so that the run reports an error.
    tables->list_set_current(sel_tables_page::id_available, 0);
    for (int i = 0; i < 3; ++i) click_control(sel_tables_page::id_add);
    const compat::wstring held_table = tables->list_entry(sel_tables_page::id_selected, 1);
    shoot_modal(titled("Add Query"), "128-query", [](QWidget* w) {
        w->findChild<QLineEdit*>("1019")->setText("RICH_DEPARTMENTS");
        w->findChild<QPlainTextEdit*>("1020")->setPlainText(
            "SELECT name, budget\n  FROM departments\n WHERE budget > 100000");
        shoot(w, "128-query-filled");
        click(w->findChild<QWidget*>("1"));
    });
    click_control(sel_tables_page::id_add_query);
    when_modal(titled("Add Query"),
               [](QWidget* w) { fill_query_dialog(w, "ZZ_BROKEN", "SELECT * FROM no_such_table"); });
    click_control(sel_tables_page::id_add_query);
    shoot_sheet("127-tables-selected");
    click_sheet(ui::id_next);

    auto* views = wait_for<qrn_sel_views_page>();
    if (!views) return;
    views->list_set_current(sel_tables_page::id_available, 0);
    click_control(sel_tables_page::id_add);
    shoot_sheet("127-views");
    // The run, held at its second table for the progress page; the broken query then asks
    // whether to go on.
    front.hold_at(held_table);
    click_sheet(ui::id_next);
    if (!wait_until([&] { return front.held(); }, page_timeout_ms)) fail("the run did not reach its second table");
    test_support::pump(600);
    shoot_sheet("107-progress");
    shoot_modal(dialog_with(dlg_error_continue::id_dont_show), "115-error-continue",
                [](QWidget* w) { click(w->findChild<QWidget*>("2")); });
    front.release();

    if (!wait_for_page(gui_finish_page::dialog_id)) return;
    shoot_sheet("116-finish-errors");
    shoot_modal([](QWidget* w) { return qobject_cast<QFileDialog*>(w) != nullptr; }, "116-save-settings",
                [](QWidget* w) { QMetaObject::invokeMethod(w, "reject", Qt::DirectConnection); });
    click_control(gui_finish_page::id_save);
    shoot_modal(dialog_with(dlg_error_ex::id_send_bug), "114-internal-error",
                [](QWidget* w) { click(w->findChild<QWidget*>("1")); });
    dlg_error_ex::show(u"Internal error in module \"g_wiz_sh\" at line 223.\nPlease report it.");
    click_sheet(ui::id_finish);
}

// The server road as far as it goes without a server: the MySQL page, the overwrite dialog
// as the destination page shows it, and Cancel's question.
void server_road() {
    welcome_and_oracle(welcome_page::id_direct, "DEMO", "demo", "demo");
    click_sheet(ui::id_next);
    if (!wait_for_page(sql_settings_page2::dialog_id)) return;
    click_control(sql_settings_page2::id_remote);
    type(sql_settings_page2::id_host, "mysql.example.com");
    type(sql_settings_page2::id_user, "root");
    shoot_sheet("123-mysql");
    overwrite_dlg3 overwrite(sel_file_page::overwrite_help_topic,
                             u"The destination database already exists. Select one of the\noptions below. Click "
                             u"'Help' button for more information.");
    shoot_modal(dialog_with(overwrite_dlg2::id_sync), "133-overwrite",
                [](QWidget* w) { click(w->findChild<QWidget*>(QString::number(ui::id_cancel))); });
    overwrite.show(ui::application::active_window());
    shoot_box("box-cancel", QMessageBox::Yes);
    click_sheet(ui::id_cancel);
}

// A profile of the demo source that dumps DEPARTMENTS, and the query given (none when empty)
// as table ZZ_BROKEN, into dump_file under work.
std::string demo_profile(qrn_front_end& front, const std::string& work, const std::string& name,
                         const std::string& dump_file, const compat::wstring& broken_query = {}) {
    const std::string profile = work + "/" + name;
    quarnel_convertor conv(front);
    conv.store_oracle_settings(u"", u"demo", u"demo", u"");
    conv.set_source_name(u"DEMO");
    conv.set_mysql_direct(false);
    conv.set_destination_name(compat::utf8_to_utf16(work + "/" + dump_file));
    conv.table_map[u"DEPARTMENTS"] = u"";
    if (!broken_query.empty()) conv.table_map[u"ZZ_BROKEN"] = broken_query;
    if (!conv.store_profile(compat::utf8_to_utf16(profile))) fail("cannot write the profile");
    return profile;
}

// A saved profile: the wizard converts without asking and ends on the success text.
void profile_run(qrn_front_end& front, const std::string& work) {
    const std::string profile = demo_profile(front, work, "demo.qrn", "PROFILE.sql");
    run_wizard(front, profile, [] {
        if (!wait_for_page(gui_finish_page::dialog_id)) return;
        shoot_sheet("116-finish");
        click_sheet(ui::id_finish);
    });
}

// A saved profile whose run is stopped by Abort at a broken query: the finish page says in
// which table the run stopped and lists the error.
void stopped_run(qrn_front_end& front, const std::string& work) {
    const std::string profile = demo_profile(front, work, "stopped.qrn", "STOPPED.sql", u"SELECT * FROM no_such_table");
    when_modal(dialog_with(dlg_error_continue::id_dont_show),
               [](QWidget* w) { click(w->findChild<QWidget*>(QString::number(dlg_error_continue::id_abort))); });
    run_wizard(front, profile, [] {
        if (!wait_for_page(gui_finish_page::dialog_id)) return;
        shoot_sheet("116-finish-stopped");
        click_sheet(ui::id_finish);
    });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: wiz_shots OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    out_dir = fs::absolute(argv[1]).string();
    fs::create_directories(out_dir);
    // Static: removed also when the program ends early through exit().
    static const test_support::temp_dir work_dir("wiz-shots");
    const std::string& work = work_dir.path();
    prepare_source(work);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    ui::application app(argc, argv, no_display);
    qInstallMessageHandler(quiet);
    shots_front front;
    error_handler handler(front, static_cast<int>(qrn_oracle_errors().size()), qrn_oracle_errors().data());
    handler.load_err_map(static_cast<int>(qrn_mysql_errors().size()), qrn_mysql_errors().data());
    ui::set_error_sink(&wizard_shell::report_exception);
    set_failure_handler([](const std::string& what) { failures.push_back(what); });

    run_wizard(front, "", [&] { dump_road(front, work); });
    run_wizard(front, "", [] { server_road(); });
    profile_run(front, work);
    stopped_run(front, work);

    const char* expected[] = {"103-welcome",
                              "103-load-settings",
                              "104-oracle",
                              "101-wait",
                              "102-dump-options",
                              "106-destination",
                              "106-browse",
                              "106-overwrite-file",
                              "127-tables",
                              "128-query",
                              "128-query-filled",
                              "127-tables-selected",
                              "127-views",
                              "107-progress",
                              "115-error-continue",
                              "116-finish-errors",
                              "116-save-settings",
                              "114-internal-error",
                              "123-mysql",
                              "133-overwrite",
                              "box-cancel",
                              "116-finish",
                              "106-refused-destination",
                              "106-destination-refused",
                              "116-finish-stopped"};
    for (const char* name : expected)
        if (!written.count(name) && std::find(failures.begin(), failures.end(), name) == failures.end())
            failures.push_back(std::string(name) + " (never shown)");
    for (const std::string& name : failures) std::fprintf(stderr, "wiz_shots: could not render %s\n", name.c_str());
    return failures.empty() ? 0 : 1;
}
