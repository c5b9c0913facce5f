// The process-wide trace log. Only the console program creates one (switched off until it
// is given a log file); everywhere else the writers return at once.
//
// Writing: tk_log::log(level, format, args...) with a narrow or a wide (u"...") printf-style
// format in the Windows runtime's meaning (%I64d, %ld = 32 bits, %s in a wide format is a
// wide string). It is static, so it is safe to call whether or not a log exists; the
// spelling tk_log::get().log(...) also works but raises when there is no log.
//
// File semantics: the first message after the log is switched on empties the file (even a
// message below the minimum level); each message then opens the file for appending, writes
// the optional "hh:mm:ss " prefix, the text (wide messages as UTF-8, whatever their
// length) and "\r\n", and closes the file, so the file is complete after every line.
// A file that cannot be opened loses the message silently. Writers keep errno unchanged.
#pragma once

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "TK/tk_singl.h"
#include "compat/text/format.h"
#include "compat/text/text.h"

class tk_log : public singleton<tk_log> {
public:
    // Levels: 1 details, 2 operation entry lines, 3 user-visible progress and errors.
    // A null file name means default_file_name(). Enabled: the file is emptied at once.
    // The console program constructs tk_log(nullptr, false, 3, false).
    tk_log(const char* file_name, bool enabled, int min_level, bool time_prefix);
    tk_log(const std::string& file_name, bool enabled, int min_level, bool time_prefix)
        : tk_log(file_name.c_str(), enabled, min_level, time_prefix) {}
    ~tk_log() override = default;

    // The log; none is an internal error (line 66).
    static tk_log& get();

    // The program's path with its extension replaced by ".log".
    static std::string default_file_name();

    // A new path; neither the enabled nor the reset-done state changes. Null: line 82.
    void set_file(const char* path);
    void set_file(const std::string& path) { set_file(path.c_str()); }
    // Empties the file once, when enabled and not yet done.
    void reset_file();
    // Switches the log on.
    void enable() { enabled_.store(true, std::memory_order_release); }
    // Switches it off for good: for a program that finds its log file must not be written.
    void disable() { enabled_.store(false, std::memory_order_release); }

    bool is_enabled() const { return enabled_.load(std::memory_order_acquire); }
    std::string file() const;
    int min_level() const { return min_level_; }
    bool time_prefix() const { return time_prefix_; }

    // A message of this level would reach the log (or empty the file, as the first one
    // does): callers that must build an argument before the call test this first.
    static bool wants(int level) noexcept { return writer(level) != nullptr; }

    // Messages a thread writes while it holds them wait in the holder, in order, instead of
    // reaching the file: a worker that reads ahead for another thread has its lines written
    // where that thread takes the work they belong to, so the file reads as if one thread
    // had done both. The level is tested when the message is written, as usual; the file
    // is not emptied before a held line is written (a program that learns only later
    // whether its log file may be written holds its first lines).
    struct held_line {
        int level;
        std::string text;
    };
    using held_lines = std::vector<held_line>;
    // This thread's messages go into `lines` from now on (null: to the file again); returns
    // the holder it had before.
    static held_lines* hold_lines(held_lines* lines) noexcept;
    // Writes the held lines, in order, as messages written now; `lines` is emptied.
    static void write_held(held_lines& lines);

    // Literal formats take their length from the array and every test runs before any
    // conversion, so a call into a missing or off log, or below the minimum level, costs
    // a few loads and branches. The length too is found only for a message that is
    // written: the compiler does not fold its loop, which would walk the format at every
    // call. A call that writes only packs its arguments here; the formatting is out of line.
    template <std::size_t N, class... A>
    static void log(int level, const char (&format)[N], const A&... args) {
        if (tk_log* l = writer(level)) [[unlikely]] {
            errno_keeper keep;
            l->write(level, std::string_view(format, literal_length(format, N)),
                     fmt::make_printf_args(compat::printf_arg(args)...));
        }
    }

    template <std::size_t N, class... A>
    static void log(int level, const char16_t (&format)[N], const A&... args) {
        if (tk_log* l = writer(level)) [[unlikely]] {
            errno_keeper keep;
            l->write_wide(level, compat::wstring_view(format, literal_length(format, N)),
                          fmt::make_printf_args(compat::printf_arg(args)...));
        }
    }

    template <class... A>
    static void log(int level, std::string_view format, const A&... args) {
        if (tk_log* l = writer(level)) [[unlikely]] {
            errno_keeper keep;
            l->write(level, format, fmt::make_printf_args(compat::printf_arg(args)...));
        }
    }

    template <class... A>
    static void log(int level, compat::wstring_view format, const A&... args) {
        if (tk_log* l = writer(level)) [[unlikely]] {
            errno_keeper keep;
            l->write_wide(level, format, fmt::make_printf_args(compat::printf_arg(args)...));
        }
    }

private:
    struct errno_keeper {
        int saved = errno;
        ~errno_keeper() { errno = saved; }
    };

    // The log when a message of this level has anything to do. Once the file has been
    // emptied, a message below the minimum has nothing left to do.
    static tk_log* writer(int level) noexcept {
        tk_log* l = try_get();
        if (!l || !l->is_enabled()) return nullptr;
        if (level < l->min_level_ && l->reset_done_.load(std::memory_order_acquire)) return nullptr;
        return l;
    }

    // A character array holding a format up to its first NUL, as a pointer would read it.
    template <class Ch>
    static constexpr std::size_t literal_length(const Ch* format, std::size_t n) {
        std::size_t k = 0;
        while (k + 1 < n && format[k] != Ch()) ++k;
        return k;
    }

    // Out of line and cold, so that the tests before them stay a few instructions at every
    // call site. A format that does not fit its arguments is written as it stands: a log
    // line never throws.
    [[gnu::cold, gnu::noinline]] void write(int level, std::string_view format, fmt::printf_args args);
    [[gnu::cold, gnu::noinline]] void write_wide(int level, compat::wstring_view format, fmt::printf_args args);

    // Keeps the message when this thread holds its lines; false when it must be written.
    static bool keep_held(int level, std::string& text);
    // Empties the file on the first message, then tests the level.
    bool begin_message(int level);
    void append(std::string_view text);
    void reset_locked();

    mutable std::mutex mutex_;  // the file path and the reset, if threads ever log
    std::string file_;
    int min_level_;
    bool line_end_ = true;
    std::atomic<bool> enabled_;
    std::atomic<bool> reset_done_{false};
    bool time_prefix_;
};
