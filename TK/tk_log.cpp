#include "TK/tk_log.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <utility>

#include "TK/tk_fname.h"
#include "TK/tk_utils.h"

namespace {

struct file_closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using unique_file = std::unique_ptr<std::FILE, file_closer>;

thread_local tk_log::held_lines* held = nullptr;

}  // namespace

tk_log::tk_log(const char* file_name, bool enabled, int min_level, bool time_prefix)
    : file_(file_name ? std::string(file_name) : default_file_name()),
      min_level_(min_level),
      enabled_(enabled),
      time_prefix_(time_prefix) {
    if (enabled) reset_file();
}

tk_log& tk_log::get() {
    tk_log* l = try_get();
    if (!l) throw tk_mail_assertion(tk_where::singl, 66);
    return *l;
}

std::string tk_log::default_file_name() {
    tk_file_name name(tk_get_module_path());
    name.set_ext(".log");
    return name.make_path();
}

void tk_log::set_file(const char* path) {
    if (!path) throw tk_mail_assertion(tk_where::log, 82);
    std::lock_guard lock(mutex_);
    file_ = path;
}

std::string tk_log::file() const {
    std::lock_guard lock(mutex_);
    return file_;
}

void tk_log::reset_file() {
    std::lock_guard lock(mutex_);
    reset_locked();
}

void tk_log::reset_locked() {
    if (!is_enabled() || reset_done_.load(std::memory_order_relaxed)) return;
    // A file that cannot be opened stays as it is; the reset counts as done all the same.
    unique_file f(std::fopen(file_.c_str(), "wb"));
    reset_done_.store(true, std::memory_order_release);
}

void tk_log::write(int level, std::string_view format, fmt::printf_args args) {
    if (!begin_message(level)) return;
    std::string text;
    try {
        text = compat::vformat(format, args);
    } catch (const std::exception&) {
        text = std::string(format);
    }
    if (!keep_held(level, text)) append(text);
}

tk_log::held_lines* tk_log::hold_lines(held_lines* lines) noexcept { return std::exchange(held, lines); }

bool tk_log::keep_held(int level, std::string& text) {
    if (!held) return false;
    held->push_back({level, std::move(text)});
    return true;
}

void tk_log::write_held(held_lines& lines) {
    for (held_line& line : lines)
        if (tk_log* l = writer(line.level)) {
            errno_keeper keep;
            if (l->begin_message(line.level)) l->append(line.text);
        }
    lines.clear();
}

void tk_log::write_wide(int level, compat::wstring_view format, fmt::printf_args args) {
    write(level, compat::utf16_to_utf8(format), args);
}

bool tk_log::begin_message(int level) {
    std::lock_guard lock(mutex_);
    // Held lines empty the file when they are written, and lines never written never do.
    if (!held) reset_locked();
    return level >= min_level_;
}

void tk_log::append(std::string_view text) {
    std::lock_guard lock(mutex_);
    unique_file f(std::fopen(file_.c_str(), "ab"));
    if (!f) return;
    if (time_prefix_) {
        std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        std::fprintf(f.get(), "%02d:%02d:%02d ", local.tm_hour, local.tm_min, local.tm_sec);
    }
    std::fwrite(text.data(), 1, text.size(), f.get());
    if (line_end_) std::fwrite("\r\n", 1, 2, f.get());
}
