// Message boxes. Callable from any thread: off the user-interface thread the box is shown
// there while the caller waits (answer id_cancel when the interface is closing).
#pragma once

#include <functional>

#include "compat/ui/ui_types.h"

namespace compat::ui {

enum class box_buttons { ok, ok_cancel, yes_no, yes_no_cancel };

// Returns id_ok, id_cancel, id_yes or id_no. default_button counts the buttons from 0.
// dismiss, when given, is asked on the user-interface thread while the box waits; once it
// holds, the box closes by itself with the answer Escape gives.
int message_box(window owner, const text& message, const text& caption, icon kind, box_buttons buttons,
                int default_button = 0, const std::function<bool()>& dismiss = {});

}  // namespace compat::ui
