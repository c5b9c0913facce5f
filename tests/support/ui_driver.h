// Drives the wizard's real widgets in tests (offscreen platform): clicks and keys as the
// user gives them, answers to modal message boxes that appear while a step runs, and a
// script run inside a modal sheet or dialog.
#pragma once

#include <QMessageBox>
#include <QWidget>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace test_support {

// A message box as the user saw it.
struct seen_box {
    std::string title;
    std::string text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton default_button = QMessageBox::NoButton;
};

// Answers the message boxes that appear during its life, in order, with the given
// buttons (the last answer repeats), recording each box.
class box_answerer {
public:
    explicit box_answerer(std::vector<QMessageBox::StandardButton> answers = {QMessageBox::Ok});
    ~box_answerer();
    box_answerer(const box_answerer&) = delete;
    box_answerer& operator=(const box_answerer&) = delete;

    const std::vector<seen_box>& seen() const { return seen_; }

private:
    void poll();
    std::vector<QMessageBox::StandardButton> answers_;
    std::vector<seen_box> seen_;
    class QTimer* timer_;
};

// Collects the texts of the exceptions that reach the interface layer's error sink during
// its life; then the default sink is back.
class caught_errors {
public:
    caught_errors();
    ~caught_errors();
    caught_errors(const caught_errors&) = delete;
    caught_errors& operator=(const caught_errors&) = delete;

    const std::vector<std::string>& texts() const { return texts_; }

private:
    std::vector<std::string> texts_;
    std::function<void(std::exception_ptr)> previous_;  // put back on destruction
};

// Runs `action` once a visible top-level widget that `match` accepts appears
// (polled every few milliseconds while an event loop runs).
void when_modal(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action);

// During its life, runs `action` on every window that `match` accepts, once per window, and
// counts them: for windows that must not come, or may come any number of times.
class window_watcher {
public:
    window_watcher(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action);
    ~window_watcher();
    window_watcher(const window_watcher&) = delete;
    window_watcher& operator=(const window_watcher&) = delete;

    int seen() const { return seen_; }

private:
    int seen_ = 0;
    class QTimer* timer_;
};

void click(QWidget* w);
// Presses a button as its keyboard shortcut would (no pointer position involved): for
// windows that may still be settling when the script reaches them.
void press(QWidget* button);
void key(QWidget* w, int qt_key);
// Runs `script` from the event loop once `run` has started a modal loop; run's result.
// With `window`, once that window is the top modal one (a run may wait in a dialog of its
// own before its window shows).
int run_with(const std::function<int()>& run, const std::function<void()>& script,
             const std::function<QWidget*()>& window = {});
// Processes events for the given time.
void pump(int ms);
// Processes events until the condition holds or the time is up; the condition's value.
bool wait_until(const std::function<bool()>& condition, int timeout_ms = 5000);

}  // namespace test_support
