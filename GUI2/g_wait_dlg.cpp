#include "GUI2/g_wait_dlg.h"

#include "GUI2/g_art.h"

namespace ui = compat::ui;

wait_dialog::wait_dialog(int text_id, compat::wstring text, int interval_ms)
    : text_id_(text_id), text_(std::move(text)), interval_ms_(interval_ms), timer_([this] { next_frame(); }) {
    // 165 x 40 dialog units, no caption.
    set_size_du(165, 40);
}

void wait_dialog::build() {
    begin_row();
    add_picture(id_frame, ui::image(32, 32));
    add_spacing(4);
    add_text(id_text, u"Connecting to Oracle data source.\r\nPlease wait...");
    add_stretch();
    end_row();
}

bool wait_dialog::on_init() {
    hide_caption_bar();
    if (text_id_ != 0 && !text_.empty()) set_text(text_id_, text_);
    frames_.clear();
    for (int k = 0; k < art_frame_count; ++k) frames_.push_back(wizard_art(art_first_frame + k));
    frame_ = 0;
    set_picture(id_frame, frames_[0]);
    timer_.start(interval_ms_);
    center_on_owner();
    bring_to_top();
    return true;
}

void wait_dialog::next_frame() {
    if (frames_.empty()) return;
    frame_ = frame_ + 1 > art_frame_count - 1 ? 0 : frame_ + 1;
    set_picture(id_frame, frames_[frame_]);
}

void wait_dialog::finish() {
    timer_.stop();
    end(ui::id_ok);
}

void wait_dialog::on_command(int /*id*/, ui::notify /*what*/) {}
