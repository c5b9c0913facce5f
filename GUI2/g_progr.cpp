#include "GUI2/g_progr.h"

#include "GUI2/g_wiz_sh.h"
#include "TK/tk_excep.h"
#include "TK/tk_log.h"
#include "app/qrn_conv.h"
#include "app/qrn_errh.h"

namespace ui = compat::ui;

uint32_t progress_percent(uint32_t table_count, uint32_t tables_done, uint32_t records, uint32_t record_index) {
    if (table_count == 0) return 0;
    uint64_t p = uint64_t(tables_done) * 100 / table_count;
    if (records != 0) p += (uint64_t(record_index) * 100 / records) / table_count;
    return p > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(p);
}

progress_page::progress_page()
    : wizard_page(dialog_id, wizard_page_kind::interior, u"Step 6 of 6", u"Database conversion is in progress") {
    tk_log::log(1, "progress_page::ctor");
}

// A run still going is stopped before the page goes.
progress_page::~progress_page() {
    try {
        if (is_running())
            stop_run();
        else
            collect_run();
    } catch (...) {
        // A destructor must not throw; what the run left has been reported or logged.
    }
}

void progress_page::build() {
    add_text(0, u"Database conversion is in progress. Please wait until wizard completes");
    add_text(0, u"moving your Oracle database to MySQL server.");
    add_spacing(8);
    add_progress(id_bar);
    add_text(id_table, u"");
    add_stretch();
}

tk_functor* progress_page::get_functor() { return &quarnel_convertor::instance(); }

void progress_page::display_help() { wizard_shell::display_help(); }

bool progress_page::page_init() {
    tk_log::log(2, "progress_page::page_init");
    wizard_shell::instance().sheet().set_buttons(0);
    set_position(id_bar, 0);
    quarnel_convertor::instance().set_finished(false);
    try {
        start();
    } catch (const tk_exception& e) {
        // No run: the error is shown and kept, and the finish page lists it.
        error_handler::instance().handle(e, true);
        ui::application::post([] { wizard_shell::instance().sheet().select_page(finish_page_id); });
    }
    return true;
}

void progress_page::on_timer(int timer_id) {
    if (timer_id != wizard_shell::progress_timer_id || closing_) return;
    tk_log::log(1, "progress_page::on_timer");
    quarnel_convertor& conv = quarnel_convertor::instance();
    const uint32_t p =
        progress_percent(static_cast<uint32_t>(conv.table_count.load()), static_cast<uint32_t>(conv.tables_done.load()),
                         conv.records_in_table.load(), conv.record_index.load());
    tk_log::log(1, "Got progress: %d", static_cast<int>(p > 100 ? 100 : p));
    set_position(id_bar, p > 100 ? 100 : static_cast<int>(p));
    if (conv.is_finished()) {
        wizard_shell& shell = wizard_shell::instance();
        shell.kill_timer();
        collect_run();
        shell.sheet().select_page(finish_page_id);
    }
    const compat::wstring table = conv.get_current_table();
    set_text(id_table, table.empty() ? compat::wstring() : compat::wformat(u"Processing table '%s'", table));
}

bool progress_page::on_cancel() {
    tk_log::log(2, "wizard_page::on_cancel");
    // A run that ends while the user thinks it over has nothing left to stop: the question
    // goes, and the finish page comes.
    if (!ask_exit([] { return quarnel_convertor::instance().is_finished(); })) return false;
    closing_ = true;
    if (is_running()) stop_run();
    return true;
}

void progress_page::stop_run() {
    // No more dialogs for this run: the user has chosen to leave.
    if (error_handler* handler = error_handler::try_get()) handler->set_silent(true);
    if (quarnel_convertor* conv = quarnel_convertor::try_get()) conv->request_stop();
    // Events go on meanwhile, so that a box the run raised just before can still be
    // answered and the run can reach its next stop test.
    while (is_running() && ui::application::exists()) ui::application::process_events(20);
    if (wizard_shell* shell = wizard_shell::try_get()) shell->kill_timer();
    collect_run();
}

void progress_page::collect_run() {
    try {
        if (is_running())
            terminate();
        else
            cleanup();
    } catch (...) {
        wizard_shell::report_exception(std::current_exception());
    }
}
