#include "compat/ui/ui_timer.h"

#include <QTimer>

#include "compat/ui/ui_app.h"

namespace compat::ui {

struct timer::impl {
    QTimer qt;
    std::function<void()> tick;
};

timer::timer(std::function<void()> tick) : impl_(std::make_shared<impl>()) {
    impl_->tick = std::move(tick);
    QObject::connect(&impl_->qt, &QTimer::timeout, &impl_->qt, [p = impl_.get()] { guarded(p->tick); });
}

timer::~timer() { impl_->qt.stop(); }

void timer::start(int interval_ms) {
    running_.store(true, std::memory_order_release);
    if (application::on_ui_thread()) return impl_->qt.start(interval_ms);
    // The request holds the timer's state alive until it has been handled.
    application::post([p = impl_, interval_ms] { p->qt.start(interval_ms); });
}

void timer::stop() {
    running_.store(false, std::memory_order_release);
    if (application::on_ui_thread()) return impl_->qt.stop();
    application::post([p = impl_] { p->qt.stop(); });
}

}  // namespace compat::ui
