// Single-instance template: the process-wide objects (trace log, error handler, converter,
// engines, wizard shell) derive from singleton<T>, are constructed once by their owner and
// reached through T::instance(). It never creates an object.
//
// The pointer is atomic so worker threads may read it safely while the main thread owns
// the object's lifetime.
#pragma once

#include <atomic>

#include "TK/tk_excep.h"

template <class T>
class singleton {
public:
    singleton(const singleton&) = delete;
    singleton& operator=(const singleton&) = delete;

    // The registered instance; none registered is an internal error (line 59).
    static T& instance() {
        T* p = try_get();
        if (!p) throw tk_mail_assertion(tk_where::singl, 59);
        return *p;
    }

    // The registered instance or nullptr; never raises. For callers that must not throw,
    // such as the log writers (whose assertion would log and recurse).
    static T* try_get() noexcept {
        // Only fully constructed objects are reached through here, so the downcast is sound.
        return static_cast<T*>(pointer_.load(std::memory_order_acquire));
    }

    // The same test as instance() without the result.
    static void check() { (void)instance(); }

protected:
    // A second live instance is an internal error (line 35); the first stays registered.
    singleton() {
        singleton* expected = nullptr;
        if (!pointer_.compare_exchange_strong(expected, this, std::memory_order_acq_rel))
            throw tk_mail_assertion(tk_where::singl, 35);
    }

    // Runs after the derived destructor's body, so that body may still use instance().
    // Only a registered object can be destroyed here (a failed constructor never reaches
    // this destructor), so the unregistered case (line 46) cannot arise.
    virtual ~singleton() {
        singleton* expected = this;
        pointer_.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
    }

private:
    static inline std::atomic<singleton*> pointer_{nullptr};
};
