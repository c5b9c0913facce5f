// The command-line iterator: walks the arguments behind the program path and classifies
// each one against a table of option prefixes (the first row whose prefix begins the
// argument wins; the row with the empty prefix ends the table). Arguments that match no
// row are collected (the first 20 kept, all counted) so the caller can refuse the line.
#pragma once

#include <string>
#include <vector>

// One row of an option table: {id, prefix}; the table ends with {0, ""}.
struct tk_cmd_option {
    int id;
    const char* prefix;
};

class tk_cmdli {
public:
    static constexpr int unrecognised_id = -1;
    static constexpr int max_kept_unrecognised = 20;

    tk_cmdli() = default;
    tk_cmdli(int argc, const char* const* argv, const tk_cmd_option* options) { init(argc, argv, options); }
    tk_cmdli(const tk_cmdli&) = delete;
    tk_cmdli& operator=(const tk_cmdli&) = delete;
    virtual ~tk_cmdli() = default;

    // Stands on the first argument behind the program path and classifies it.
    void init(int argc, const char* const* argv, const tk_cmd_option* options);

    // Moves to the next argument; none left is an internal error.
    virtual void next();
    virtual bool has_more() const { return left_ > 0; }

    // The current argument's id (unrecognised_id when no row matched) and the text behind
    // the matched prefix; no current argument is an internal error.
    int get_id() const;
    const char* get_value() const;

    const std::vector<std::string>& unrecognised() const { return unrecognised_; }
    int unrecognised_count() const { return unrecognised_count_; }

private:
    void classify();

    const tk_cmd_option* options_ = nullptr;
    const char* value_ = nullptr;
    int id_ = unrecognised_id;
    std::vector<std::string> unrecognised_;
    int unrecognised_count_ = 0;
    const char* const* cursor_ = nullptr;
    int left_ = 0;
};
