#include "GUI2/g_wiz_sh.h"

#include <atomic>
#include <utility>

#include "GUI2/g_art.h"
#include "TK/tk_excep.h"
#include "TK/tk_fname.h"
#include "TK/tk_trace.h"
#include "TK/tk_utils.h"
#include "app/qrn_errh.h"
#include "app/qrn_front.h"
#include "compat/desktop/desktop.h"

namespace ui = compat::ui;

namespace {

std::atomic<int> exit_code{-1};

constexpr const char* missing_help = "Help file does not exist. Reinstall the program.";

}  // namespace

wizard_shell::wizard_shell(compat::wstring title, int icon_id, int watermark_id, int header_id)
    : title_(std::move(title)), icon_id_(icon_id), timer_([this] { sheet_.tick(progress_timer_id); }) {
    if (watermark_id) sheet_.set_watermark(wizard_art(watermark_id));
    if (header_id) sheet_.set_header_picture(wizard_art(header_id));
    // Interior pages measure 317 x 143 dialog units.
    sheet_.set_page_size_du(317, 143);
}

wizard_shell::~wizard_shell() {
    tk_log::log(2, "wizard_shell::dtor");
    title_shown_ = false;
    kill_timer();
}

int wizard_shell::run() { return sheet_.run_modal(ui::application::active_window()); }

void wizard_shell::start_timer(int interval_ms) {
    if (timer_.running()) tk_fail(tk_where::g_wiz_sh, 223);
    timer_.start(interval_ms);
}

void wizard_shell::kill_timer() {
    if (timer_.running()) timer_.stop();
}

void wizard_shell::update_title() {
    if (title_shown_) return;
    sheet_.set_caption(title_);
    if (icon_id_) {
        const ui::image icon = wizard_art(icon_id_);
        sheet_.set_icon(icon);
        ui::application::set_window_icon(icon);
    }
    sheet_.center();
    title_shown_ = true;
}

void wizard_shell::enable_button(int id, bool enable) {
    tk_log::log(2, "wizard_shell::enable_button(%08X)", id);
    sheet_.enable_button(id, enable);
}

ui::window wizard_shell::owner() { return is_initialized() ? instance().sheet_.native() : nullptr; }

compat::wstring wizard_shell::caption(const char16_t* suffix, const char16_t* alone) {
    return is_initialized() ? instance().title_ + suffix : compat::wstring(alone);
}

void wizard_shell::error(const compat::wstring& text) {
    tk_log::log(1, u"wizard_shell::error(%s)", text);
    ui::message_box(owner(), text, caption(u" Error", u"Error"), ui::icon::error, ui::box_buttons::ok);
    tk_log::log(3, u"%s", text);
}

void wizard_shell::error(const std::string& text) { error(tk_to_wide(text)); }

void wizard_shell::message(const compat::wstring& text) {
    tk_log::log(1, u"wizard_shell::message(%s)", text);
    ui::message_box(owner(), text, caption(u" Message", u"Message"), ui::icon::information, ui::box_buttons::ok);
    tk_log::log(3, u"%s", text);
}

bool wizard_shell::question(const compat::wstring& text, bool default_no, const std::function<bool()>& dismiss) {
    return ui::message_box(owner(), text, caption(u" Question", u"Question"), ui::icon::question,
                           ui::box_buttons::yes_no, default_no ? 1 : 0, dismiss) == ui::id_yes;
}

bool wizard_shell::is_initialized() {
    tk_log::log(1, "wizard_shell::is_initialized");
    if (wizard_shell* shell = try_get()) {
        tk_log::log(1, "Singleton has been initialized");
        return shell->title_shown_;
    }
    tk_log::log(1, "Before return false");
    return false;
}

std::string wizard_shell::help_file() {
    tk_file_name name(tk_get_module_path());
    name.set_ext(".html");
    return name.make_path();
}

void wizard_shell::open_help(const std::string& fragment) {
    const std::string path = help_file();
    if (!tk_is_file_exist(path, TK_FILE_READABLE)) return error(std::string(missing_help));
    const std::string url = compat::desktop::file_url(path, fragment);
    // The user can still read the file when told where it is.
    const auto unopened = [url, path] {
        tk_log::log(1, "No program could open %s", url.c_str());
        error("No program could open the help. Open this file in a web browser:\n" + path);
    };
    // The desktop is reached from the user-interface thread, whoever asks.
    bool opened = false;
    const bool ran = ui::application::invoke([&] { opened = compat::desktop::open_url(url, unopened); });
    if (ran && !opened) unopened();
}

void wizard_shell::display_help(int topic) {
    tk_log::log(1, "wizard_shell::display_help(%d)", topic);
    open_help("topic-" + std::to_string(topic));
}

void wizard_shell::display_help() {
    tk_log::log(1, "wizard_shell::display_help");
    open_help("");
}

void wizard_shell::append_error(const std::string& text, bool ends_run) {
    std::lock_guard<std::mutex> lock(errors_mutex_);
    if (errors_.size() < max_errors) {
        errors_.push_back(text);
        return;
    }
    ++later_errors_;
    if (ends_run) ending_error_ = text;
}

size_t wizard_shell::error_count() const {
    std::lock_guard<std::mutex> lock(errors_mutex_);
    return errors_.size();
}

std::vector<std::string> wizard_shell::errors() const {
    std::lock_guard<std::mutex> lock(errors_mutex_);
    return errors_;
}

wizard_shell::error_record wizard_shell::error_list() const {
    std::lock_guard<std::mutex> lock(errors_mutex_);
    error_record record{errors_, later_errors_, ending_error_};
    if (!record.ending.empty()) --record.not_listed;
    return record;
}

void wizard_shell::append_note(const compat::wstring& text) {
    std::lock_guard<std::mutex> lock(errors_mutex_);
    if (notes_.first.size() < max_errors)
        notes_.first.push_back(text);
    else
        ++notes_.not_listed;
}

wizard_shell::note_record wizard_shell::note_list() const {
    std::lock_guard<std::mutex> lock(errors_mutex_);
    return notes_;
}

int wizard_shell::requested_exit() { return exit_code.load(std::memory_order_acquire); }

void wizard_shell::request_exit(int code) {
    exit_code.store(code & 0xff, std::memory_order_release);
    ui::application::quit_loops();
}

void wizard_shell::report_exception(std::exception_ptr error) {
    try {
        try {
            std::rethrow_exception(std::move(error));
        } catch (const tk_final_exception&) {
            // A run or an operation stopped after its error was shown.
        } catch (const tk_exception& e) {
            if (error_handler* handler = error_handler::try_get())
                handler->handle(e, true);
            else
                wizard_shell::error(e.message());
        } catch (const std::exception& e) {
            wizard_shell::error(std::string(e.what()));
        }
    } catch (const qrn_exit_request& r) {
        request_exit(r.code);
    } catch (...) {
        wizard_shell::error(std::string("Unknown exception"));
    }
}
