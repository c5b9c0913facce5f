// Shared vocabulary of the windowing layer: window handles, standard command ids, message
// box icons and answers, control notifications and font requests.
#pragma once

#include <string>

class QWidget;

namespace compat::ui {

using text = std::u16string;

// An opaque window handle (a top-level window, page or dialog). Null: no window.
using window = QWidget*;

// Standard command ids of dialog buttons and message-box answers.
inline constexpr int id_ok = 1;
inline constexpr int id_cancel = 2;
inline constexpr int id_yes = 6;
inline constexpr int id_no = 7;
inline constexpr int id_help = 9;

// Wizard-sheet buttons (command ids and the flags of sheet::set_buttons).
inline constexpr int id_back = 0x3023;
inline constexpr int id_next = 0x3024;
inline constexpr int id_finish = 0x3025;
inline constexpr int button_back = 1;
inline constexpr int button_next = 2;
inline constexpr int button_finish = 4;

enum class icon { none, error, warning, information, question };

// What a control reports to surface::on_command.
enum class notify {
    clicked,            // buttons, check boxes, radio buttons
    double_clicked,     // list boxes
    selection_changed,  // list boxes
    text_changed,       // edits, by the user
    focused,            // multi-line edits, when they get the keyboard focus
};

// A font request. A family that is not installed falls back to the desktop's sans-serif.
struct font_spec {
    std::string family;
    int points = 8;
    bool bold = false;
};

}  // namespace compat::ui
