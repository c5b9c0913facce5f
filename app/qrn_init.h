// The scope of one conversion run: its constructor logs the start and asks the front end
// for its progress display; its destructor logs the end and sets the finished flag, on
// every way out of the run.
#pragma once

#include "TK/tk_threa.h"
#include "app/qrn_front.h"

class init_conversion {
public:
    // com_initialized: the caller has set up the thread's component library already
    // (nothing to do on this platform; kept for the callers that pass it).
    init_conversion(tk_converter& converter, qrn_front_end& front, bool com_initialized);
    ~init_conversion();
    init_conversion(const init_conversion&) = delete;
    init_conversion& operator=(const init_conversion&) = delete;

private:
    tk_converter& converter_;
    bool com_initialized_;
};
