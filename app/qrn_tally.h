// The record errors of one table, told apart by their message: the first ones of each are
// reported, later repeats are only counted, and one closing line says how many records
// failed beyond those shown. A table whose records all fail the same way (a column no value
// fits) then gives a few lines instead of one per record.
#pragma once

#include <string>
#include <unordered_map>

class record_error_tally {
public:
    // Records reported per message and table.
    static constexpr int reported_per_error = 20;

    // Counts a record that failed with the message; true when it is to be reported.
    bool admit(const std::string& message);
    // "... and N more records failed with the same error" (errors, when repeats of more
    // than one message were held back); empty when nothing was.
    std::string closing_line() const;
    void clear();

private:
    std::unordered_map<std::string, int> seen_;
    int held_back_ = 0;
    int messages_held_back_ = 0;
};
