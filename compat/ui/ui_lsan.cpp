// Built into the wizard only in the sanitizer build. Under a real X server Qt's platform
// plugin opens a D-Bus connection whose library keeps a buffer until exit; that buffer is
// the desktop's, not ours, and would otherwise fail every run of the program under
// LeakSanitizer.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
