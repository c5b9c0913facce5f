// Custom conversion rules: user-defined rules that may take over the column type text of a
// column or the literal text of a value. The type and literal writers of both sides ask
// the registry first; it is reached through its single instance, and while none exists
// (as in both programs) every question is answered "no rule".
#pragma once

#include <memory>
#include <vector>

#include "TK/tk_singl.h"
#include "UDB/udb_sche.h"
#include "compat/text/text.h"

class udb_rule {
public:
    virtual ~udb_rule() = default;
    virtual bool accepts_value(const udb_field& value) const = 0;
    virtual bool accepts_column(const t_ftd& column) const = 0;
    virtual compat::wstring value_text(const udb_field& value) const = 0;
    virtual compat::wstring column_text(const t_ftd& column) const = 0;
};

class udb_custom_conversion : public singleton<udb_custom_conversion> {
public:
    udb_custom_conversion() = default;
    ~udb_custom_conversion() override = default;

    // Rules are asked in the order added.
    void add_rule(std::unique_ptr<udb_rule> rule);
    size_t size() const { return rules_.size(); }

    // Some rule accepts the column.
    static bool is_acceptable1(const t_ftd& column);
    // Some rule accepts the value.
    static bool is_acceptable2(const udb_field& value);
    // The column text of the first rule that accepts the column; empty when none does.
    static compat::wstring handle1(const t_ftd& column);
    // The value text of the first rule that accepts the value; empty when there are no
    // rules. Rules that all refuse it are an internal error: ask is_acceptable2 first.
    static compat::wstring handle2(const udb_field& value);

private:
    std::vector<std::unique_ptr<udb_rule>> rules_;
};
