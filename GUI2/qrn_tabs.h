// The tables page: the source's tables, and stored queries that the user names and that
// are converted like tables ("&Add Query"; a double click on a selected query edits it).
#pragma once

#include "GUI2/g_sel_tb.h"

class qrn_sel_tables_page : public sel_tables_page {
public:
    static constexpr int help_topic = 1017;

    qrn_sel_tables_page();

    bool page_init() override;
    int on_next() override;
    void display_help() override;

    void preselect(const name_map& names) override;
    bool is_query(const compat::wstring& name) const override;
    void on_query_selected(const compat::wstring& name) override;
    void on_query_unselected(const compat::wstring& name) override;

    const name_map& selected_queries() const { return selected_queries_; }
    const name_map& available_queries() const { return available_queries_; }

    void on_command(int id, compat::ui::notify what) override;

protected:
    void on_selected_double_click() override { on_edit_query(); }
    choice converter_choice() const override;
    choice shown_choice() const override;

private:
    void on_add_query();
    void on_edit_query();
    // The name is neither in a list nor a query of either map (case-insensitive), leaving
    // out the entry being renamed.
    bool is_free_name(const compat::wstring& name, const compat::wstring& renamed = {}) const;

    name_map selected_queries_;
    name_map available_queries_;
};
