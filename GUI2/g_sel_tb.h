// The two-list selection page (dialog 127): available entries on the left, selected ones
// on the right, moved with Add, Add all, Remove, Remove all or a double click on the left.
// A derived page fills the available names, sets the texts and decides which entries are
// stored queries.
#pragma once

#include <map>
#include <optional>
#include <vector>

#include "GUI2/g_wiz_pg.h"
#include "compat/text/text.h"

class sel_tables_page : public wizard_page {
public:
    using name_map = std::map<compat::wstring, compat::wstring>;

    static constexpr int dialog_id = 127;
    static constexpr int id_text = 1337;
    static constexpr int id_available_label = 1334;
    static constexpr int id_available = 1317;
    static constexpr int id_add = 1101;
    static constexpr int id_add_all = 1102;
    static constexpr int id_remove = 1111;
    static constexpr int id_remove_all = 1110;
    static constexpr int id_add_query = 1114;
    static constexpr int id_selected_label = 1312;
    static constexpr int id_selected = 1318;

    // question: asked on Next when entries are available and none is selected (empty:
    // never asked).
    sel_tables_page(compat::wstring header_title, compat::wstring header_subtitle, compat::wstring question);

    // Moves every key of the map that is in the available list to the selected list.
    virtual void preselect(const name_map& names);
    virtual bool is_query(const compat::wstring& /*name*/) const { return false; }
    virtual void on_query_selected(const compat::wstring& /*name*/) {}
    virtual void on_query_unselected(const compat::wstring& /*name*/) {}

    // The names collected by the last collect_selection (queries excluded).
    const std::vector<compat::wstring>& names() const { return names_; }

    void on_command(int id, compat::ui::notify what) override;
    // Keeps what the lists show for the page's next activation.
    int on_back() override;

protected:
    // A page's choice: the selected entries (name to SELECT text, empty for a plain table)
    // and the stored queries that are available.
    struct choice {
        name_map selected;
        name_map available;
        bool operator==(const choice&) const = default;
    };
    // What the converter holds for the page, and what the lists show.
    virtual choice converter_choice() const = 0;
    virtual choice shown_choice() const = 0;
    // The choice to show on activation: the one the page showed when it was left with Back,
    // unless the converter's changed meanwhile (settings were loaded); else the converter's.
    // Only Next hands a choice to the converter, so what the lists show is what runs.
    choice choice_to_show() const;
    // Next handed the choice over: the converter's is the one to show.
    void forget_back() { left_with_back_.reset(); }

    void build() override;
    // Fills the available list from names_ and empties the selected list.
    void do_page_init();
    void set_texts(const compat::wstring& text, const compat::wstring& available, const compat::wstring& selected);
    // On Next: asks the question when nothing is selected (false: stay), then names_ := the
    // selected entries that are not queries, in list order.
    bool collect_selection();

    void on_add();
    void on_add_all();
    void on_delete();
    void on_del_all();
    // A double click in the selected list (the tables page edits a query there).
    virtual void on_selected_double_click() {}

    // Moves the entry at index of one list box to the other.
    void move_entry(int from, int index, int to);
    // The index of the entry equal to the name (case-insensitive), or -1.
    int find_entry(int list_id, const compat::wstring& name) const;
    // Adds the entry and widens the list's scroll extent to it.
    void add_entry(int list_id, const compat::wstring& name);

    std::vector<compat::wstring> names_;

private:
    // Removing at a position leaves the next entry (or the last one) current; an emptied
    // list hands the focus to the other one.
    void after_move(int from, int index, int to);
    // One button's move: the current entry, or every entry, to the other list; moving all
    // hands the focus and the first entry to the other list.
    void move_current(int from, int to);
    void move_all(int from, int to);

    compat::wstring question_;
    int extent_[2] = {0, 0};
    std::optional<choice> left_with_back_;
    choice converter_at_back_;
};
