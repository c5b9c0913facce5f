// The windowing layer: Qt 6 Widgets behind a small interface of sheets, pages and dialogs
// whose controls are addressed by numeric ids. It knows nothing of the program using it.
//
// Usage:
//   compat::ui::application app(argc, argv, no_display);   // once, on the UI thread
//   compat::ui::set_error_sink(report);   // exceptions of handlers end up here
//
//   class my_page : public compat::ui::page {
//   public:
//       my_page() : page(104, u"Step 1", u"Connect", compat::ui::page_has_help) {}
//   protected:
//       void build() override {                 // once, when the window is first needed
//           add_labeled_edit(0, u"&Server:", 1003);
//           add_check(1202, u"&Lock", compat::ui::check_mode::by_command);
//       }
//       bool on_set_active() override { set_text(1003, u"host"); return true; }
//       int on_wizard_next() override { return 0; }   // -1 stay, 0 next, or a dialog id
//       void on_command(int id, compat::ui::notify) override { ... }
//   };
//
//   compat::ui::sheet s;  s.add_page(p1);  s.add_page(p2);
//   int finished = s.run_modal(nullptr);     // 1 Finish, 0 Cancel
//
// Dialogs derive from compat::ui::dialog (run_modal / end, on_init, on_command); message
// boxes, file dialogs and timers have their own headers below (the clipboard and opening
// URLs are compat/desktop's). Widgets live on the UI thread: other threads use
// application::invoke (waits) or post; message_box and timer do that themselves.
#pragma once

#include "compat/ui/ui_app.h"
#include "compat/ui/ui_dialog.h"
#include "compat/ui/ui_files.h"
#include "compat/ui/ui_image.h"
#include "compat/ui/ui_msgbox.h"
#include "compat/ui/ui_sheet.h"
#include "compat/ui/ui_surface.h"
#include "compat/ui/ui_timer.h"
#include "compat/ui/ui_types.h"
