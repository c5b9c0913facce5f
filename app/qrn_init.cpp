#include "app/qrn_init.h"

#include <ctime>

#include "TK/tk_trace.h"

namespace {
void log_time(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    tk_log::log(3, format, t.tm_mday, t.tm_mon + 1, t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
}
}  // namespace

init_conversion::init_conversion(tk_converter& converter, qrn_front_end& front, bool com_initialized)
    : converter_(converter), com_initialized_(com_initialized) {
    tk_log::log(2, "init_conversion::ctor");
    log_time("Conversion started on %02d/%02d/%04d at %02d:%02d:%02d\n");
    front.run_started();
}

init_conversion::~init_conversion() {
    tk_log::log(2, "init_conversion::dtor");
    (void)com_initialized_;
    log_time("Conversion ended on %02d/%02d/%04d at %02d:%02d:%02d\n");
    // Release order: a reader that sees the flag also sees the final counters.
    converter_.set_finished(true);
}
