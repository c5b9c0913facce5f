// The finish page (dialog 116): the run's result, either the success text or the error
// text, with the errors and then the notes kept during the run in a read-only box, and Save
// Settings, which stores the run's settings as a profile file.
#pragma once

#include "GUI2/g_wiz_pg.h"
#include "compat/text/text.h"

class gui_finish_page : public wizard_page {
public:
    static constexpr int dialog_id = 116;
    static constexpr int id_title = 1313;
    static constexpr int id_result = 1314;
    static constexpr int id_errors = 1016;
    static constexpr int id_save = 1116;

    gui_finish_page(compat::wstring success_text, compat::wstring error_text);

    bool page_init() override;
    void on_command(int id, compat::ui::notify what) override;

protected:
    void build() override;
    virtual void on_save_settings() {}

private:
    // The first focus on the error box goes on to Finish, so that Enter ends the wizard.
    void on_eb_focus();

    compat::wstring success_text_;
    compat::wstring error_text_;
    bool first_focus_ = true;
};

class qrn_finish_page : public gui_finish_page {
public:
    qrn_finish_page(compat::wstring success_text, compat::wstring error_text, compat::wstring profile_extension);

protected:
    void on_save_settings() override;

private:
    compat::wstring profile_extension_;
};
