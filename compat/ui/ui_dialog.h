// A modal dialog: a surface in its own window with a caption. Buttons with the standard
// ids end it by default (OK with id_ok, Cancel, Escape and the close box with id_cancel);
// on_command overrides that. end() may be called from any thread, also before the dialog
// has appeared (run_modal then returns at once).
#pragma once

#include <atomic>
#include <memory>

#include "compat/ui/ui_surface.h"

namespace compat::ui {

class dialog : public surface {
public:
    dialog();
    ~dialog() override;

    // Shows the dialog until it ends; returns the value given to end().
    int run_modal(window owner);
    void end(int result);
    bool running() const { return running_.load(std::memory_order_acquire); }

    void set_caption(const text& caption);
    // A dialog without a caption bar (a splash-like notice).
    void hide_caption_bar();
    void center_on_owner();
    void bring_to_top();

    // Default: id_ok and id_cancel end the dialog with their id.
    void on_command(int id, notify what) override;

protected:
    // After the controls exist, before the dialog shows; false ends it with id_cancel.
    virtual bool on_init() { return true; }
    QWidget* make_window() override;

private:
    // What a queued end request may still reach after the dialog object is gone.
    struct end_target;
    std::shared_ptr<end_target> target_;
    std::atomic<bool> ended_{false};
    std::atomic<bool> running_{false};
    std::atomic<int> result_{0};
};

}  // namespace compat::ui
