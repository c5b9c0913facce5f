#include "tests/support/ui_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <exception>

#include "compat/ui/ui_app.h"

namespace test_support {

box_answerer::box_answerer(std::vector<QMessageBox::StandardButton> answers)
    : answers_(std::move(answers)), timer_(new QTimer) {
    QObject::connect(timer_, &QTimer::timeout, timer_, [this] { poll(); });
    timer_->start(5);
}

box_answerer::~box_answerer() { delete timer_; }

void box_answerer::poll() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->isVisible() || box->property("answered").toBool()) continue;
        box->setProperty("answered", true);
        seen_box s;
        s.title = box->windowTitle().toStdString();
        s.text = box->text().toStdString();
        s.icon = box->icon();
        s.buttons = box->standardButtons();
        if (QPushButton* d = box->defaultButton()) s.default_button = box->standardButton(d);
        seen_.push_back(s);
        const size_t k = seen_.size() - 1;
        const QMessageBox::StandardButton answer = answers_.empty()      ? QMessageBox::Ok
                                                   : k < answers_.size() ? answers_[k]
                                                                         : answers_.back();
        QAbstractButton* b = box->button(answer);
        if (!b) b = box->escapeButton();
        if (b)
            QTest::mouseClick(b, Qt::LeftButton);
        else
            box->reject();
    }
}

void when_modal(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action) {
    auto* t = new QTimer;
    QObject::connect(t, &QTimer::timeout, t, [t, match, action] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && match(w)) {
                t->stop();
                t->deleteLater();
                action(w);
                return;
            }
        }
    });
    t->start(5);
}

window_watcher::window_watcher(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action)
    : timer_(new QTimer) {
    QObject::connect(timer_, &QTimer::timeout, timer_, [this, match, action] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || w->property("watched").toBool() || !match(w)) continue;
            w->setProperty("watched", true);
            ++seen_;
            action(w);
            return;
        }
    });
    timer_->start(5);
}

window_watcher::~window_watcher() { delete timer_; }

void click(QWidget* w) {
    // A window that has not been laid out yet gives its controls no size to click on.
    if (!QTest::qWaitForWindowExposed(w->window(), 1000)) QApplication::processEvents();
    QApplication::processEvents();
    // Check and radio boxes react only on their mark and text, at the left.
    const bool marked = qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w);
    const QPoint at = marked ? QPoint(6, w->height() / 2) : w->rect().center();
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at);
}

void press(QWidget* button) {
    if (auto* b = qobject_cast<QAbstractButton*>(button)) b->click();
}

void key(QWidget* w, int qt_key) { QTest::keyClick(w, static_cast<Qt::Key>(qt_key)); }

namespace {

// The window at the bottom of the modal stack above `below`: a dialog raised over the run's
// window (a question from a worker thread) is owned by it.
QWidget* modal_root(QWidget* top, QWidget* below) {
    QWidget* root = top;
    while (root->parentWidget()) {
        QWidget* owner = root->parentWidget()->window();
        if (owner == below || !owner->isModal()) break;
        root = owner;
    }
    return root;
}

}  // namespace

int run_with(const std::function<int()>& run, const std::function<void()>& script,
             const std::function<QWidget*()>& window) {
    // The script starts only while the run's own window is the top modal one. Started
    // inside a dialog that another thread raised first, it would sit within that dialog's
    // modal loop, and that loop could not end before the script did: a script waiting for
    // what follows the dialog would wait for ever.
    QWidget* const before = QApplication::activeModalWidget();
    QPointer<QTimer> poll = new QTimer;
    const auto run_window_on_top = [before, window] {
        QWidget* top = QApplication::activeModalWidget();
        if (window) return top && top == window() && top->isVisible();
        return top && top != before && modal_root(top, before) == top;
    };
    QObject::connect(poll, &QTimer::timeout, poll, [poll, script, run_window_on_top] {
        if (!run_window_on_top()) return;
        poll->stop();
        QMetaObject::invokeMethod(
            qApp,
            [poll, script, run_window_on_top] {
                if (!run_window_on_top()) {
                    if (poll) poll->start(5);
                    return;
                }
                script();
            },
            Qt::QueuedConnection);
    });
    poll->start(5);
    const int result = run();
    delete poll.data();
    return result;
}

void pump(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qWait(1);
    }
}

bool wait_until(const std::function<bool()>& condition, int timeout_ms) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeout_ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qWait(2);
    }
    return true;
}

caught_errors::caught_errors() {
    previous_ = compat::ui::set_error_sink([this](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            texts_.push_back(x.what());
        } catch (...) {
            texts_.push_back("(not a std::exception)");
        }
    });
}

caught_errors::~caught_errors() { compat::ui::set_error_sink(std::move(previous_)); }

}  // namespace test_support
