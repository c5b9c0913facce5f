#include "app/console/con_out.h"

#include <atomic>
#include <cstdio>

#include "TK/tk_log.h"
#include "TK/tk_utils.h"

namespace {
std::atomic<bool> g_silent{false};
std::atomic<bool> g_out_to_stderr{false};

void write_line(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}
}  // namespace

std::string con_narrow(compat::wstring_view text) { return tk_to_narrow(text); }

void con_out_line(std::string_view text) { write_line(g_out_to_stderr.load() ? stderr : stdout, text); }
void con_set_output_to_stderr(bool on) { g_out_to_stderr.store(on); }
void con_err_line(std::string_view text) { write_line(stderr, text); }

bool con_is_silent() { return g_silent.load(std::memory_order_acquire); }
void con_set_silent(bool silent) { g_silent.store(silent, std::memory_order_release); }

void con_exit_process(int code) {
    std::fflush(stdout);
    std::fflush(stderr);
    throw qrn_exit_request{code};
}

void tk_console_fatal(const std::string& text) {
    // The text is the log line itself, not a format.
    tk_log::log(3, "%s", text);
    if (!con_is_silent()) con_err_line(text);
    con_exit_process(-1);
}
