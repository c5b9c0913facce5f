// The views page: the source's views to select. The selection is handed to the converter;
// views are not created on the destination.
#pragma once

#include "GUI2/g_sel_tb.h"

class qrn_sel_views_page : public sel_tables_page {
public:
    static constexpr int help_topic = 1024;

    qrn_sel_views_page();

    bool page_init() override;
    int on_next() override;
    void display_help() override;

protected:
    choice converter_choice() const override;
    choice shown_choice() const override;

private:
    name_map views_;
};
