// The progress page (dialog 107): starts the conversion on a worker thread when it becomes
// active, shows the run's progress on every tick of the shell's progress timer, and moves
// to the finish page when the run has ended. Cancel stops the run by request and waits.
#pragma once

#include <cstdint>

#include "GUI2/g_wiz_pg.h"
#include "TK/tk_threa.h"

// The bar's percentage: tables done plus the current table's share, each in whole
// percent, in 64-bit arithmetic (a record index times 100 does not fit in 32 bits).
uint32_t progress_percent(uint32_t table_count, uint32_t tables_done, uint32_t records, uint32_t record_index);

class progress_page : public wizard_page, public tk_thread {
public:
    static constexpr int dialog_id = 107;
    static constexpr int id_bar = 1321;
    static constexpr int id_table = 1323;
    static constexpr int finish_page_id = 116;

    progress_page();
    ~progress_page() override;

    bool page_init() override;
    void on_timer(int timer_id) override;
    bool on_cancel() override;
    void display_help() override;

protected:
    void build() override;
    tk_functor* get_functor() override;

private:
    // Asks the run to stop and waits for it, keeping the interface responsive.
    void stop_run();
    // Joins the run's thread (asking a run still going to stop) and reports what escaped
    // the run, if anything: such an exception must neither end the program nor vanish.
    void collect_run();

    bool closing_ = false;
};
