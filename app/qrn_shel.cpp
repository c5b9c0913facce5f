#include "app/qrn_shel.h"

#include <memory>

#include "GUI2/g_finish.h"
#include "GUI2/g_ora_pg.h"
#include "GUI2/g_progr.h"
#include "GUI2/g_sel_file.h"
#include "GUI2/g_sql_pg.h"
#include "GUI2/g_welcome.h"
#include "GUI2/g_wiz_sh.h"
#include "GUI2/qrn_tabs.h"
#include "GUI2/qrn_views.h"
#include "TK/tk_errco.h"
#include "TK/tk_log.h"
#include "TK/tk_utils.h"
#include "app/qrn_conv.h"
#include "app/qrn_errh.h"
#include "common/sql_dump.h"
#include "compat/text/format.h"
#include "compat/ui/ui.h"

namespace {

constexpr const char16_t* profile_extension = u"qrn";
constexpr const char16_t* success_text =
    u"Wizard has converted your Oracle database into\nMySQL data source successfully.\n\nClick 'Finish' to exit "
    u"the wizard.";
constexpr const char16_t* error_text =
    u"There were some errors while converting the database.\nClick 'Finish' to exit the wizard.";

// A profile that cannot be read must not start a run with whatever the registry held: in
// mode 0 that would drop a database this command line never named.
bool load_command_profile(quarnel_convertor& conv, const compat::wstring& path) {
    if (!conv.load_profile(path)) {
        wizard_shell::error(std::string(tk_message(TK_MSG_READ_FILE)) + "\n" + tk_to_narrow(path));
        return false;
    }
    return true;
}

// Exit codes of profile mode, as the console program's.
constexpr int profile_clean = 0;
constexpr int profile_with_errors = 1;
constexpr int profile_failed = -1;

// Connects and settles the destination as the profile says. A failure is shown and ends
// profile mode: with nothing to convert there is nothing to continue, so no error here
// asks to go on.
bool prepare_profile_run(quarnel_convertor& conv) {
    try {
        conv.connect_oracle_server(conv.source_name());
        // Before the destination is touched: a run with nothing to convert is refused.
        conv.check_selection();
        if (conv.is_mysql_direct()) conv.connect_mysql_server();
        conv.check_dest();
        return true;
    } catch (const tk_exception& e) {
        if (e.level() == 2) throw;
        error_handler::instance().handle(tk_exception(e.message(), e.code(), 1), true);
        return false;
    }
}

int profile_exit_code(const quarnel_convertor& conv, const wizard_shell& shell) {
    if (!conv.is_finished() || conv.run_failed()) return profile_failed;
    return conv.run_losses() > 0 || shell.error_count() > 0 ? profile_with_errors : profile_clean;
}

int run(qrn_front_end& front, const std::string& command_line) {
    // The boxes of this wizard's workers are shown, whatever an earlier wizard of the
    // process left behind.
    compat::ui::application::resume_invokes();
    quarnel_convertor conv(front);
    const bool profile_mode = !command_line.empty();
    if (profile_mode && !load_command_profile(conv, tk_to_wide(command_line))) return profile_failed;

    wizard_shell shell(quarnel_convertor::get_title(), wizard_shell::icon_resource, wizard_shell::watermark_resource,
                       wizard_shell::header_resource);
    // Destroyed in the reverse order: the finish page, the progress page (which stops a run
    // still going and waits for it), the other pages, the shell, and last the converter,
    // which stores the settings.
    welcome_page welcome(profile_extension);
    oracle_settings_page oracle;
    sql_dump_page dump_options;
    sql_settings_page2 mysql;
    sel_file_page destination;
    qrn_sel_tables_page tables;
    qrn_sel_views_page views;
    progress_page progress;
    qrn_finish_page finish(success_text, error_text, profile_extension);

    if (profile_mode) {
        if (!prepare_profile_run(conv)) return profile_failed;
    } else {
        for (compat::ui::page* p : std::initializer_list<compat::ui::page*>{&welcome, &oracle, &dump_options, &mysql,
                                                                            &destination, &tables, &views})
            shell.add_page(*p);
    }
    // In profile mode the progress page comes first: the run starts as the sheet opens.
    shell.add_page(progress);
    shell.add_page(finish);
    const int result = shell.run();
    // Workers still waiting for a box must not hold up their own shutdown.
    compat::ui::application::stop_invokes();
    return profile_mode ? profile_exit_code(conv, shell) : result;
}

}  // namespace

bool qrn_gui_version_ok(uint32_t runtime, uint32_t built) { return runtime >= built; }

bool qrn_check_gui_version() {
    const uint32_t runtime = compat::ui::application::runtime_version();
    tk_log::log(1, "Qt version=%X", runtime);
    if (qrn_gui_version_ok(runtime, compat::ui::application::build_version())) return true;
    wizard_shell::error(
        compat::format("Incorrect version of Qt libraries. Qt %s\nor later is required to proceed "
                       "with the application.",
                       compat::ui::application::build_version_text()));
    return false;
}

int qrn_run_wizard(qrn_front_end& front, const std::string& command_line) {
    try {
        return run(front, command_line);
    } catch (const tk_final_exception&) {
        // The error has been shown.
    } catch (const tk_exception& e) {
        error_handler::instance().handle(e, true);
    } catch (const std::exception& e) {
        wizard_shell::error(std::string(e.what()));
    }
    return command_line.empty() ? 0 : profile_failed;
}
