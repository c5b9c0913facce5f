// A surface: the client area of a page or dialog, holding controls addressed by numeric
// ids. Controls are added in reading order by the build_* calls (each goes into the
// current row or box); id 0 marks a fixed control nobody addresses. Texts keep '&'
// mnemonics ("&Next" underlines N; a label's mnemonic focuses the control after it).
// Every operation runs on the user-interface thread. A missing id is a std::logic_error.
#pragma once

#include <memory>
#include <string>

#include "compat/ui/ui_image.h"
#include "compat/ui/ui_types.h"

namespace compat::ui {

// Flags of add_edit.
inline constexpr int edit_password = 1;
inline constexpr int edit_multiline = 2;
inline constexpr int edit_readonly = 4;

// How a check box changes: by itself on a click, or only when its handler says so (the
// handler toggles it with set_checked or toggle_check).
enum class check_mode { automatic, by_command };

class surface {
public:
    surface();
    virtual ~surface();
    surface(const surface&) = delete;
    surface& operator=(const surface&) = delete;

    // The window; created on first use.
    window native();
    bool created() const;
    // Size in dialog units (a quarter of the average character width, an eighth of the
    // character height of the dialog font).
    void set_size_du(int width, int height);

    // --- building, in reading order
    // A fixed text; one with a '&' mnemonic labels the control after it.
    void add_text(int id, const text& t);
    // A text that labels the control after it whatever text it is given later (its
    // mnemonic then focuses that control).
    void add_label(int id, const text& t);
    // A label followed by an edit on one row of a form.
    void add_labeled_edit(int label_id, const text& label, int edit_id, int flags = 0);
    void add_edit(int id, int flags = 0);
    void add_button(int id, const text& t, bool is_default = false);
    void add_check(int id, const text& t, check_mode mode = check_mode::automatic);
    // Radio buttons of one group exclude each other; groups are numbered by the caller.
    void add_radio(int id, const text& t, int group);
    // sorted: entries are kept in case-insensitive order.
    void add_list(int id, bool sorted);
    void add_progress(int id);  // range 0 to 100
    void add_picture(int id, const image& picture);
    // The system's standard picture for an icon kind.
    void add_icon(int id, icon kind);
    void begin_row();
    void end_row();
    // A framed box with a title (empty: a plain column).
    void begin_box(const text& title);
    void end_box();
    void add_stretch();
    void add_spacing(int du);

    // --- operations by id
    void set_text(int id, const text& t);
    // At most max_chars UTF-16 units, as a fixed buffer would keep.
    text get_text(int id, size_t max_chars = text::npos) const;
    bool is_checked(int id) const;
    void set_checked(int id, bool on);
    void enable(int id, bool on);
    bool is_enabled(int id) const;
    void show(int id, bool on);
    bool is_shown(int id) const;  // not hidden (also while the window is not on screen)
    void set_focus(int id);
    // Edits: no selection, the caret at the end of the text and scrolled into view.
    void edit_caret_to_end(int id);
    void set_font(int id, const font_spec& font);
    void set_picture(int id, const image& picture);
    image picture(int id) const;

    // List boxes.
    int list_add(int id, const text& entry);  // index of the new entry
    void list_remove(int id, int index);
    void list_clear(int id);
    int list_count(int id) const;
    text list_entry(int id, int index) const;
    int list_current(int id) const;  // -1: none
    void list_set_current(int id, int index);
    // The width in pixels that the entry's text takes in the control's font.
    int text_width(int id, const text& t) const;
    void list_set_extent(int id, int pixels);

    // Progress bars.
    void set_position(int id, int position);
    int position(int id) const;

    // The control's widget (tests drive it as the user would).
    QWidget* control(int id) const;

    // --- events
    // A control was used. Runs guarded: exceptions reach the error sink.
    virtual void on_command(int /*id*/, notify /*what*/) {}

protected:
    // Adds the controls; called once, when the window is first needed.
    virtual void build() {}
    // The window before building: dialogs and pages make their own kind of window.
    virtual QWidget* make_window();

private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

}  // namespace compat::ui
