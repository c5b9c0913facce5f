// The page base of the wizard: every page derives from wizard_page. It turns the sheet's
// notifications into the operations below, sets the sheet's buttons and caption when the
// page becomes active, and offers the control helpers the pages share.
//
// Navigation: on_next and on_back return the dialog id of the page to go to, 0 for the
// neighbour in the sheet's page order, or -1 to stay. Handlers may throw: the exception
// is reported through the error handler and the page stays.
//
//   class my_page : public wizard_page {
//   public:
//       my_page() : wizard_page(127, wizard_page_kind::interior, u"Step 4 of 6", u"Select tables") {}
//       bool page_init() override { ...fill controls...; return true; }
//       int on_next() override { return 0; }
//       void display_help() override { wizard_shell::display_help(1017); }
//   protected:
//       void build() override { add_list(1317, true); ... }   // the controls, once
//       void on_command(int id, compat::ui::notify what) override { ... }
//   };
#pragma once

#include <functional>
#include <string>

#include "compat/text/text.h"
#include "compat/ui/ui.h"

// Which wizard buttons a page shows: Next only, Back and Next, or Finish.
enum class wizard_page_kind { welcome, interior, finish };

class wizard_page : public compat::ui::page {
public:
    // Welcome and finish pages hide the header; every page but the finish page has help.
    wizard_page(int dialog_id, wizard_page_kind kind, compat::wstring header_title = {},
                compat::wstring header_subtitle = {});
    ~wizard_page() override;

    wizard_page_kind kind() const { return kind_; }

    // Called on every activation; false: the sheet passes the page over.
    virtual bool page_init() { return true; }
    // False keeps the page.
    virtual bool kill_active() { return true; }
    // False keeps the wizard open on Finish.
    virtual bool finish() { return true; }
    // Opens the page's help topic.
    virtual void display_help() {}
    virtual int on_next() { return 0; }
    virtual int on_back() { return 0; }
    // Asks "Are you sure you want to exit the wizard?" (No is the default); true closes.
    virtual bool on_cancel();
    // The same question, closed by itself as No once `dismiss` holds.
    static bool ask_exit(const std::function<bool()>& dismiss = {});

    // Toggles a check box; returns the new state.
    bool invert_chbox(int id);
    // Enabling also gives the control the focus.
    void enable_ctrl(int id, bool enable);
    void show_ctrl(int id, bool show);
    // Bold Verdana, 10 points (the desktop's sans-serif where Verdana is missing).
    void set_title_font(int id);
    // True when no entry of the list box equals the name (case-insensitive).
    bool not_in_list(const compat::wstring& name, int list_id) const;

    // The whole text of a control (narrow: in the ANSI code page). Never cut: a longer
    // path or name must not silently become another one.
    std::string get_narrow(int id) const;
    compat::wstring get_wide(int id) const;

private:
    // compat::ui::page's notifications, mapped to the operations above.
    bool on_set_active() final;
    bool on_kill_active() final { return kill_active(); }
    int on_wizard_next() final { return on_next(); }
    int on_wizard_back() final { return on_back(); }
    bool on_wizard_finish() final { return finish(); }
    bool on_query_cancel() final { return on_cancel(); }
    void on_help() final { display_help(); }

    wizard_page_kind kind_;
};
