// Signals blocked on this thread for the object's life. A worker started while they are
// blocked has them blocked from its first instruction, so that the stop signals of the
// console program go to the threads that were there before it, as they did before it
// existed: one that came in before the worker could block them itself would be handled on
// the worker, or, where the handler's run is put off to a later call, never.
#pragma once

#include <pthread.h>

#include <csignal>

class tk_signals_blocked {
public:
    tk_signals_blocked() {
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, &before_);
    }
    ~tk_signals_blocked() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }
    tk_signals_blocked(const tk_signals_blocked&) = delete;
    tk_signals_blocked& operator=(const tk_signals_blocked&) = delete;

private:
    sigset_t before_;
};
