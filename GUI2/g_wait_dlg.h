// The wait dialog (dialog 101): "Connecting to Oracle data source." (or the text of another
// wait) with an animation of eight frames, shown while a worker thread connects or waits on
// a server. The worker ends it with finish(), also before it has appeared.
#pragma once

#include <vector>

#include "compat/text/text.h"
#include "compat/ui/ui.h"

class wait_dialog : public compat::ui::dialog {
public:
    static constexpr int dialog_id = 101;
    static constexpr int id_frame = 1301;
    static constexpr int id_text = 1302;
    static constexpr int default_interval_ms = 500;

    // text_id 0 with an empty text keeps the dialog's own text.
    explicit wait_dialog(int text_id = 0, compat::wstring text = {}, int interval_ms = default_interval_ms);

    // From any thread: stops the animation and ends the dialog.
    void finish();
    int frame() const { return frame_; }

protected:
    void build() override;
    bool on_init() override;
    // Escape and the close box do not end the wait: only the worker does.
    void on_command(int id, compat::ui::notify what) override;

private:
    void next_frame();

    int text_id_;
    compat::wstring text_;
    int interval_ms_;
    int frame_ = 0;
    std::vector<compat::ui::image> frames_;
    compat::ui::timer timer_;
};
