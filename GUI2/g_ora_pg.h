// The Oracle connection page (dialog 104): server, port, database (service) name, user and
// password; Next connects on the page's worker thread while the wait dialog animates.
#pragma once

#include <atomic>

#include "GUI2/g_wait_dlg.h"
#include "GUI2/g_wiz_pg.h"
#include "TK/tk_threa.h"

class oracle_settings_page : public wizard_page, public tk_thread {
public:
    static constexpr int dialog_id = 104;
    static constexpr int help_topic = 1012;
    // Shown after the Oracle listener errors 12500, 12505, 12541 and 12545.
    static constexpr int connect_help_topic = 1018;
    static constexpr int id_host = 1003;
    static constexpr int id_port = 1004;
    static constexpr int id_database = 1014;
    static constexpr int id_user = 1012;
    static constexpr int id_password = 1013;

    // The connect, on the worker thread; it ends the wait dialog however it ends.
    class animation : public tk_functor {
    public:
        explicit animation(wait_dialog& dialog) : dialog_(dialog) {}
        void operator()() override;
        bool connected() const { return connected_.load(std::memory_order_acquire); }

    private:
        void connect();
        wait_dialog& dialog_;
        std::atomic<bool> connected_{false};
    };

    explicit oracle_settings_page(int wait_interval_ms = wait_dialog::default_interval_ms);
    ~oracle_settings_page() override;

    bool page_init() override;
    int on_next() override;
    int on_back() override;
    void display_help() override;
    void store_settings();

    wait_dialog& waiting() { return wait_; }

protected:
    void build() override;
    tk_functor* get_functor() override { return &animation_; }

private:
    wait_dialog wait_;
    animation animation_;
};

using ora_settings_page = oracle_settings_page;
