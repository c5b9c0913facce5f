// Error-code messages: the advice texts that the error handler shows for an exception's
// code, and the toolkit's own fixed message texts.
#pragma once

#include <map>
#include <span>
#include <string>

// One row of a code table: {code, text}.
struct tk_error_row {
    int code;
    const char* text;
};

// Maps codes to advice texts. Rows are only added; a code keeps the first text it got.
class tk_error_converter {
public:
    tk_error_converter(int count, const tk_error_row* rows);
    explicit tk_error_converter(std::span<const tk_error_row> rows)
        : tk_error_converter(static_cast<int>(rows.size()), rows.data() ? rows.data() : empty_rows) {}

    // A null row pointer is an internal error (it is a caller's table, never optional).
    void load_map(int count, const tk_error_row* rows);
    void load_map(std::span<const tk_error_row> rows) {
        load_map(static_cast<int>(rows.size()), rows.data() ? rows.data() : empty_rows);
    }

    // The text for the code, or an empty text when no table holds it.
    std::string convert(int code) const;
    size_t size() const { return map_.size(); }

private:
    static constexpr tk_error_row empty_rows[1] = {{0, ""}};
    std::map<int, std::string> map_;
};

// The toolkit's fixed texts, by index.
enum tk_message_id {
    TK_MSG_SUPPORT_ADDRESS = 0,
    TK_MSG_RESERVED = 1,
    TK_MSG_UNKNOWN_EXCEPTION = 2,
    TK_MSG_BAD_PATH = 3,
    TK_MSG_OPEN_FILE = 4,
    TK_MSG_READ_FILE = 5,
    TK_MSG_WRITE_FILE = 6,
    TK_MSG_INTERNAL_ERROR = 7,
    TK_MSG_LOGFILE_READ_ONLY = 8,
    TK_MSG_LOGFILE_NO_PATH = 9,
    TK_MSG_COUNT = 10
};

// The text of a toolkit message; an index outside the table gives "".
const char* tk_message(int index);
