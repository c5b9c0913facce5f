// The dialogs that ask what happens to a destination database that exists already
// (dialog 133). overwrite_dlg2 knows the modes replace_database to merge; overwrite_dlg3,
// the one the wizard shows, adds synchronize. The radios stand in the modes' order.
#pragma once

#include "UDB/udb_overwrite.h"
#include "compat/text/text.h"
#include "compat/ui/ui.h"

class overwrite_dlg2 : public compat::ui::dialog {
public:
    static constexpr int dialog_id = 133;
    static constexpr int id_message = 1320;
    static constexpr int id_entire = 1329;
    static constexpr int id_tables = 1330;
    static constexpr int id_skip = 1331;
    static constexpr int id_merge = 1332;
    static constexpr int id_sync = 1339;

    overwrite_dlg2(int help_topic, compat::wstring text);

    // Shows the dialog owned by the window: id_ok (1) or id_cancel (2).
    int show(compat::ui::window owner) { return run_modal(owner); }
    udb_overwrite_mode mode() const { return mode_; }

    void on_command(int id, compat::ui::notify what) override;

protected:
    void build() override;
    bool on_init() override;
    // The extra radio buttons of a derived dialog, after the first four.
    virtual void add_modes() {}
    // How many modes the dialog offers, and the assertion line when none is checked.
    virtual int mode_count() const { return 4; }
    virtual int unchecked_line() const { return 156; }
    // The mode of the first checked radio; none checked is an internal error.
    udb_overwrite_mode read_mode() const;

    udb_overwrite_mode mode_ = udb_overwrite_mode::replace_database;

private:
    int help_topic_;
    compat::wstring text_;
};

class overwrite_dlg3 : public overwrite_dlg2 {
public:
    overwrite_dlg3(int help_topic, compat::wstring text);

protected:
    void add_modes() override;
    int mode_count() const override { return 5; }
    int unchecked_line() const override { return 223; }
};
