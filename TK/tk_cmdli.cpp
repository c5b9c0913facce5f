#include "TK/tk_cmdli.h"

#include <cstring>

#include "TK/tk_trace.h"

void tk_cmdli::init(int argc, const char* const* argv, const tk_cmd_option* options) {
    options_ = options;
    unrecognised_.clear();
    unrecognised_count_ = 0;
    value_ = nullptr;
    id_ = unrecognised_id;
    cursor_ = argv ? argv + 1 : nullptr;
    left_ = argc > 1 && argv ? argc - 1 : 0;
    if (left_ > 0) classify();
}

void tk_cmdli::classify() {
    if (left_ <= 0 || !cursor_ || !*cursor_) tk_fail(tk_where::cmdli, 19);
    const char* arg = *cursor_;
    for (const tk_cmd_option* row = options_; row && row->prefix && row->prefix[0]; ++row) {
        size_t n = std::strlen(row->prefix);
        if (std::strncmp(arg, row->prefix, n) == 0) {
            id_ = row->id;
            value_ = arg + n;
            return;
        }
    }
    id_ = unrecognised_id;
    value_ = arg;
    if (static_cast<int>(unrecognised_.size()) < max_kept_unrecognised) unrecognised_.emplace_back(arg);
    ++unrecognised_count_;
}

void tk_cmdli::next() {
    if (left_ <= 0) tk_fail(tk_where::cmdli, 60);
    ++cursor_;
    --left_;
    if (left_ > 0) {
        classify();
    } else {
        value_ = nullptr;
        id_ = unrecognised_id;
    }
}

int tk_cmdli::get_id() const {
    if (left_ <= 0) tk_fail(tk_where::cmdli_long, 140);
    return id_;
}

const char* tk_cmdli::get_value() const {
    if (left_ <= 0) tk_fail(tk_where::cmdli_long, 147);
    return value_;
}
