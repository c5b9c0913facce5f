// Renders every page and dialog of the wizard to PNG files (offscreen platform), the way a
// user meets them: the demo schema through the stand-in Oracle client, a run into a dump
// file, an error during the run. Usage: wiz_shots OUTPUT_FOLDER. Exits 1 when a page or
// dialog could not be rendered.
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>

#include "GUI2/g_err_dlg.h"
#include "GUI2/g_finish.h"
#include "GUI2/g_progr.h"
#include "GUI2/g_wiz_fe.h"
#include "GUI2/g_wiz_sh.h"
#include "GUI2/qrn_tabs.h"
#include "GUI2/qrn_views.h"
#include "app/qrn_conv.h"
#include "app/qrn_errh.h"
#include "tests/support/ui_driver.h"

namespace fs = std::filesystem;
namespace ui = compat::ui;
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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: wiz_shots OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    out_dir = fs::absolute(argv[1]).string();
    fs::create_directories(out_dir);
    char pattern[] = "/tmp/wiz-shots-XXXXXX";
    const std::string work = mkdtemp(pattern);
    prepare_source(work);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    ui::application app(argc, argv, no_display);
    shots_front front;
    error_handler handler(front, static_cast<int>(qrn_oracle_errors().size()), qrn_oracle_errors().data());
    handler.load_err_map(static_cast<int>(qrn_mysql_errors().size()), qrn_mysql_errors().data());
    ui::set_error_sink(&wizard_shell::report_exception);
    int result = 0;
    {
        quarnel_convertor conv(front);
        conv.store_oracle_settings(u"", u"demo", u"demo", u"");
        conv.connect_oracle_server(u"DEMO");
        conv.set_mysql_direct(false);
        conv.set_destination_name(compat::utf8_to_utf16(work + "/DEMO.sql"));
        conv.convert_views = true;
        wizard_shell shell(quarnel_convertor::get_title(), wizard_shell::icon_resource,
                           wizard_shell::watermark_resource, wizard_shell::header_resource);
        qrn_sel_tables_page tables;
        qrn_sel_views_page views;
        progress_page progress;
        qrn_finish_page finish(
            u"Wizard has converted your Oracle database into\nMySQL data source successfully.\n\nClick 'Finish' to "
            u"exit the wizard.",
            u"There were some errors while converting the database.\nClick 'Finish' to exit the wizard.", u"qrn");
        for (ui::page* p : std::initializer_list<ui::page*>{&tables, &views, &progress, &finish}) shell.add_page(*p);
        QWidget* sheet = shell.sheet().native();

        test_support::run_with(
            [&] { return shell.run(); },
            [&] {
                shoot(sheet, "127-tables");
                // Three tables chosen, then stored queries added in the query dialog: one that
                // works and one whose table is missing, so that the run reports an error.
                tables.list_set_current(sel_tables_page::id_available, 0);
                for (int i = 0; i < 3; ++i) click(tables.control(sel_tables_page::id_add));
                const compat::wstring held_table = tables.list_entry(sel_tables_page::id_selected, 1);
                shoot_modal(titled("Add Query"), "128-query", [](QWidget* w) {
                    w->findChild<QLineEdit*>("1019")->setText("RICH_DEPARTMENTS");
                    w->findChild<QPlainTextEdit*>("1020")->setPlainText(
                        "SELECT name, budget\n  FROM departments\n WHERE budget > 100000");
                    shoot(w, "128-query-filled");
                    click(w->findChild<QWidget*>("1"));
                });
                click(tables.control(sel_tables_page::id_add_query));
                when_modal(titled("Add Query"), [](QWidget* w) {
                    w->findChild<QLineEdit*>("1019")->setText("ZZ_BROKEN");
                    w->findChild<QPlainTextEdit*>("1020")->setPlainText("SELECT * FROM no_such_table");
                    click(w->findChild<QWidget*>("1"));
                });
                click(tables.control(sel_tables_page::id_add_query));
                shoot(sheet, "127-tables-selected");
                shell.sheet().press(ui::id_next);
                views.list_set_current(sel_tables_page::id_available, 0);
                click(views.control(sel_tables_page::id_add));
                shoot(sheet, "127-views");
                // The run, held at its second table for the progress page; the broken query then
                // asks whether to go on.
                front.hold_at(held_table);
                shell.sheet().press(ui::id_next);
                wait_until([&] { return front.held(); }, 20000);
                test_support::pump(600);
                shoot(sheet, "107-progress");
                shoot_modal(
                    [](QWidget* w) {
                        return qobject_cast<QDialog*>(w) && w->findChild<QWidget*>("1222", Qt::FindDirectChildrenOnly);
                    },
                    "115-error-continue", [](QWidget* w) { click(w->findChild<QWidget*>("2")); });
                front.release();
                wait_until([&] { return shell.sheet().current() == &finish; }, 20000);
                shoot(sheet, "116-finish-errors");
                shoot_modal([](QWidget* w) { return qobject_cast<QFileDialog*>(w) != nullptr; }, "116-save-settings",
                            [](QWidget* w) { QMetaObject::invokeMethod(w, "reject", Qt::DirectConnection); });
                click(finish.control(gui_finish_page::id_save));
                shoot_modal(
                    [](QWidget* w) {
                        return qobject_cast<QDialog*>(w) && w->findChild<QWidget*>("1112", Qt::FindDirectChildrenOnly);
                    },
                    "114-internal-error", [](QWidget* w) { click(w->findChild<QWidget*>("1")); });
                dlg_error_ex::show(u"Internal error in module \"g_wiz_sh\" at line 223.\nPlease report it.");
                shell.sheet().press(ui::id_finish);
            });
    }
    {
        // A run without errors ends on the success text (a new shell keeps no errors).
        quarnel_convertor conv(front);
        conv.store_oracle_settings(u"", u"demo", u"demo", u"");
        conv.connect_oracle_server(u"DEMO");
        conv.set_mysql_direct(false);
        conv.set_destination_name(compat::utf8_to_utf16(work + "/EMPTY.sql"));
        wizard_shell shell(quarnel_convertor::get_title(), wizard_shell::icon_resource,
                           wizard_shell::watermark_resource, wizard_shell::header_resource);
        progress_page progress;
        qrn_finish_page finish(
            u"Wizard has converted your Oracle database into\nMySQL data source successfully.\n\nClick 'Finish' to "
            u"exit the wizard.",
            u"There were some errors while converting the database.\nClick 'Finish' to exit the wizard.", u"qrn");
        shell.add_page(progress);
        shell.add_page(finish);
        test_support::run_with([&] { return shell.run(); },
                               [&] {
                                   wait_until([&] { return shell.sheet().current() == &finish; }, 20000);
                                   shoot(shell.sheet().native(), "116-finish");
                                   shell.sheet().press(ui::id_finish);
                               });
    }
    const char* expected[] = {"127-tables",        "128-query",          "128-query-filled",   "127-tables-selected",
                              "127-views",         "107-progress",       "115-error-continue", "116-finish-errors",
                              "116-save-settings", "114-internal-error", "116-finish"};
    for (const char* name : expected)
        if (!written.count(name) && std::find(failures.begin(), failures.end(), name) == failures.end())
            failures.push_back(std::string(name) + " (never shown)");
    fs::remove_all(work);
    for (const std::string& name : failures) std::fprintf(stderr, "wiz_shots: could not render %s\n", name.c_str());
    if (!failures.empty()) result = 1;
    return result;
}
