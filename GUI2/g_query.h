// The query dialog (dialog 128, "Add Query"): a name to store the query as a table and a
// SELECT statement, with a test of the statement against the source.
#pragma once

#include "compat/text/text.h"
#include "compat/ui/ui.h"

class set_query_dlg : public compat::ui::dialog {
public:
    static constexpr int id_name = 1019;
    static constexpr int id_query = 1020;
    static constexpr int id_test = 129;

    set_query_dlg(compat::wstring name, compat::wstring query);

    // After OK: the name and the query without its leading blanks, both whole.
    const compat::wstring& name() const { return name_; }
    const compat::wstring& query() const { return query_; }

    // The query's text does not start with SELECT (an empty text does not count).
    bool is_not_select() const;

    void on_command(int id, compat::ui::notify what) override;

protected:
    void build() override;
    bool on_init() override;

private:
    void on_ok();
    void on_test_query();

    compat::wstring name_;
    compat::wstring query_;
};

// The leading tab, line-feed, carriage-return and space characters of the text removed.
compat::wstring strip_leading_blanks(const compat::wstring& text);
// The SELECT test of the query dialog on a text.
bool is_not_select(const compat::wstring& text);
