// The wizard program's entry: the run-time check of the windowing toolkit, and the wizard
// itself (converter, shell, pages, profile mode) for a command line.
#pragma once

#include <cstdint>
#include <string>

class qrn_front_end;

// The toolkit found at run time must be at least the one the program was built with.
bool qrn_gui_version_ok(uint32_t runtime, uint32_t built);
// Checks the running toolkit; when it is too old shows the error box and returns false.
bool qrn_check_gui_version();

// The whole command line is a profile path. Empty: the interactive wizard, which returns
// the sheet's result (0 when it did not run). Otherwise the profile is loaded (a missing or
// unreadable one is reported and nothing runs), the Oracle side connected, the MySQL side
// too when the profile writes to a server, the destination checked (a failure is shown and
// nothing runs), and only the progress and finish pages are shown; the result is then the
// console program's: 0 when everything arrived, 1 when the run finished with errors, -1
// when it failed or could not start.
int qrn_run_wizard(qrn_front_end& front, const std::string& command_line);
