// The console program's command line: options applied in the order given, straight into
// the converter single instance, with the connection settings handed to its two halves at
// the end.
#pragma once

#include <string>

// True when the command line is complete; false when any argument was unrecognised (the
// caller then prints the usage banner). Incomplete settings, a bad mode and a missing
// table-names file end the process through tk_console_fatal.
bool parse_cmd_line(int argc, const char* const* argv);

// Replaces the converter's plain table selection (the names without a custom query) with
// the names of the file; a missing or unreadable file ends the process.
void process_tab_file(const std::string& path);
