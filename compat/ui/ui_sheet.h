// A wizard sheet: a modal window showing one page at a time, with a header (title,
// subtitle, picture) or a watermark (pages without header), and the buttons Back, Next,
// Finish, Cancel and Help.
//
// Navigation: Next asks the page's on_wizard_next(): -1 stays, 0 goes to the next page in
// the order added, any other value goes to the first page with that dialog id; Back does
// the same with on_wizard_back() and the previous page. A page whose on_set_active()
// returns false is passed over in the direction of travel; one whose on_set_active()
// throws is not shown either, and the sheet stays on the page it showed, buttons and all
// (the error goes to the error sink). A page that shows gets the keyboard focus on its
// first control (of radio buttons, the checked one). Before a page is left its
// on_kill_active() may refuse. Cancel, Escape and the close box ask on_query_cancel(); on a
// page with Cancel disabled and Finish shown, Escape and the close box act as Finish, which
// asks on_wizard_finish(). Help and F1 call on_help(). Handlers run guarded.
#pragma once

#include <memory>
#include <vector>

#include "compat/ui/ui_image.h"
#include "compat/ui/ui_surface.h"

namespace compat::ui {

class sheet;

// Page styles.
inline constexpr int page_has_help = 1;
inline constexpr int page_hide_header = 2;

class page : public surface {
public:
    page(int dialog_id, text header_title, text header_subtitle, int style);
    ~page() override;

    int dialog_id() const { return dialog_id_; }
    const text& header_title() const { return header_title_; }
    const text& header_subtitle() const { return header_subtitle_; }
    int style() const { return style_; }
    // The sheet showing the page, or null.
    sheet* owner_sheet() const { return sheet_; }

    virtual bool on_set_active() { return true; }
    virtual bool on_kill_active() { return true; }
    virtual int on_wizard_next() { return 0; }
    virtual int on_wizard_back() { return 0; }
    virtual bool on_wizard_finish() { return true; }
    virtual bool on_query_cancel() { return true; }
    virtual void on_help() {}
    // A sheet timer ticked while this page was current.
    virtual void on_timer(int /*timer_id*/) {}

private:
    friend class sheet;
    int dialog_id_;
    text header_title_;
    text header_subtitle_;
    int style_;
    sheet* sheet_ = nullptr;
};

class sheet {
public:
    sheet();
    ~sheet();
    sheet(const sheet&) = delete;
    sheet& operator=(const sheet&) = delete;

    void set_caption(const text& caption);
    void set_icon(const image& picture);
    void set_watermark(const image& picture);
    void set_header_picture(const image& picture);
    // Page windows get at least this size (dialog units); the largest page decides.
    void set_page_size_du(int width, int height);

    // Pages are not owned; they must outlive the sheet's run. A page destroyed before the
    // sheet leaves it.
    void add_page(page& p);
    const std::vector<page*>& pages() const { return pages_; }

    // Shows the sheet from its first page until Finish (returns 1) or Cancel (0).
    // Returns 0 at once when no page can be shown.
    int run_modal(window owner);
    bool running() const { return running_; }
    window native();

    // Buttons: a combination of button_back, button_next and button_finish; Finish takes
    // Next's place.
    void set_buttons(int flags);
    // Enables the sheet's own Cancel (id_cancel) or Help (id_help) button.
    void enable_button(int id, bool on);
    // Gives the keyboard focus to a sheet button (id_back, id_next, id_finish, id_cancel,
    // id_help).
    void focus_button(int id);
    // Presses a button as the user would (id_back, id_next, id_finish, id_cancel, id_help).
    void press(int id);
    // Moves to the first page with the dialog id (the current page may refuse to go).
    bool select_page(int dialog_id);
    page* current() const;
    void center();
    // Ends the run as Cancel would, without asking.
    void close();
    // Forwards a timer tick to the current page.
    void tick(int timer_id);

private:
    friend class page;
    struct impl;
    void forget(page* p);
    bool go_to(int index, int direction);
    void dispatch(int id);
    std::unique_ptr<impl> impl_;
    std::vector<page*> pages_;
    int current_ = -1;
    bool running_ = false;
};

}  // namespace compat::ui
