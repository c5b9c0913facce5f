#include "compat/ui/ui_dialog.h"

#include <QDialog>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

#include "compat/ui/ui_app.h"
#include "compat/ui/ui_qt.h"

namespace compat::ui {
namespace {

// Escape and the close box become the Cancel command, so the dialog's handler decides.
class command_dialog : public QDialog {
public:
    explicit command_dialog(dialog& owner) : owner_(owner) {}

    void reject() override {
        guarded([&] { owner_.on_command(id_cancel, notify::clicked); });
    }

private:
    dialog& owner_;
};

}  // namespace

struct dialog::end_target {
    QPointer<QDialog> window;  // set and read on the user-interface thread
};

dialog::dialog() : target_(std::make_shared<end_target>()) {}
dialog::~dialog() = default;

QWidget* dialog::make_window() { return new command_dialog(*this); }

int dialog::run_modal(window owner) {
    auto* d = static_cast<QDialog*>(native());
    target_->window = d;
    if (owner && owner != d) d->setParent(owner, d->windowFlags() | Qt::Dialog);
    d->setModal(true);
    running_.store(true, std::memory_order_release);
    bool ok = false;
    guarded([&] { ok = on_init(); });
    if (!ok && !ended_.load(std::memory_order_acquire)) {
        ended_.store(true, std::memory_order_release);
        result_.store(id_cancel, std::memory_order_release);
    }
    if (!ended_.load(std::memory_order_acquire)) d->exec();
    running_.store(false, std::memory_order_release);
    d->hide();
    d->setParent(nullptr);
    ended_.store(false, std::memory_order_release);
    return result_.load(std::memory_order_acquire);
}

void dialog::end(int result) {
    result_.store(result, std::memory_order_release);
    ended_.store(true, std::memory_order_release);
    auto finish = [target = std::weak_ptr<end_target>(target_), result] {
        const std::shared_ptr<end_target> alive = target.lock();
        if (alive && alive->window && alive->window->isVisible()) alive->window->done(result);
    };
    if (application::on_ui_thread())
        finish();
    else
        application::post(finish);
}

void dialog::set_caption(const text& caption) { native()->setWindowTitle(to_q(caption)); }

void dialog::hide_caption_bar() {
    QWidget* d = native();
    d->setWindowFlags(d->windowFlags() | Qt::FramelessWindowHint);
}

void dialog::center_on_owner() {
    QWidget* d = native();
    d->adjustSize();
    QRect area;
    if (QWidget* p = d->parentWidget())
        area = p->window()->geometry();
    else if (QScreen* s = QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    if (area.isValid()) d->move(area.center() - QPoint(d->width() / 2, d->height() / 2));
}

void dialog::bring_to_top() {
    native()->raise();
    native()->activateWindow();
}

void dialog::on_command(int id, notify what) {
    if (what != notify::clicked) return;
    if (id == id_ok || id == id_cancel) end(id);
}

}  // namespace compat::ui
