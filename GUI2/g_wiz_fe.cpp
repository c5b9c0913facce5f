#include "GUI2/g_wiz_fe.h"

#include "GUI2/g_err_dlg.h"
#include "GUI2/g_wiz_sh.h"
#include "TK/tk_excep.h"
#include "TK/tk_log.h"
#include "TK/tk_utils.h"
#include "compat/text/format.h"

void wizard_front_end::run_started() {
    if (wizard_shell* shell = wizard_shell::try_get()) shell->start_timer(progress_interval_ms);
}

void wizard_front_end::run_error(const std::string& text) {
    keep_error(text, true);
    wizard_shell::error(text);
}

void wizard_front_end::table_missing(const compat::wstring& table, const std::vector<compat::wstring>& candidates) {
    const std::string text = candidates.empty() ? tk_to_narrow(compat::wformat(u"Table %s not exists", table))
                                                : qrn_ambiguous_table_text(table, candidates);
    tk_log::log(3, "%s", text);
    keep_error(text, false);
}

void wizard_front_end::show_note(const compat::wstring& text) {
    if (wizard_shell* shell = wizard_shell::try_get()) shell->append_note(text);
}

void wizard_front_end::show_internal_error(const std::string& text) { dlg_error_ex::show(tk_to_wide(text)); }

void wizard_front_end::show_error(const std::string& message) { wizard_shell::error(message); }

qrn_continue_answer wizard_front_end::ask_continue(const std::string& message) {
    const dlg_error_continue::answer a = dlg_error_continue::ask(tk_to_wide(message));
    return {a.button == dlg_error_continue::id_abort, a.dont_show};
}

void wizard_front_end::keep_error(const std::string& message, bool ends_run) {
    if (wizard_shell* shell = wizard_shell::try_get()) shell->append_error(message, ends_run);
}

void wizard_front_end::exit_process(int code) {
    if (compat::ui::application::on_ui_thread() || !compat::ui::application::exists()) throw qrn_exit_request{code};
    compat::ui::application::post([code] { wizard_shell::request_exit(code); });
    throw tk_final_exception();
}
