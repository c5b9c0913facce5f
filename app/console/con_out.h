// Console output of the program: lines on standard output or standard error, each flushed
// at once, the program-wide silent flag, the one way to stop with a message, and the
// exit that unwinds to main.
#pragma once

#include <string>
#include <string_view>

#include "app/qrn_front.h"
#include "compat/text/text.h"

// A wide name in the console's code page.
std::string con_narrow(compat::wstring_view text);

// Writes the text and a line feed, then flushes.
void con_out_line(std::string_view text);
// Sends what goes to standard output to standard error instead: for a run whose dump is
// written to standard output, where those lines would land inside the SQL.
void con_set_output_to_stderr(bool on);
void con_err_line(std::string_view text);

// "--silent" sets this flag beside the converter's own. It lives for the whole process, so
// the fatal-message path can read it even after the converter has been destroyed.
bool con_is_silent();
void con_set_silent(bool silent);

// Ends the process through main with the exit code (-1 is 255): flushes both streams and
// throws qrn_exit_request, which no handler of the run can swallow, so that main returns
// the code once every object on the way, the dump file and the log included, has been
// closed by its destructor.
[[noreturn]] void con_exit_process(int code = -1);

// Logs the text at level 3, writes it to standard error unless silent, and ends the
// process with exit code -1.
[[noreturn]] void tk_console_fatal(const std::string& text);
