// The loss of records: a value the source cannot read whole, a row the destination refused.
// Every database side raises it for an error that costs the records it names and no more,
// so that the driver goes on with the table whatever side the error comes from.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "TK/tk_excep.h"

struct udb_lost_record {
    // What the driver makes of the loss.
    enum class cause {
        record,         // the record is lost, the table goes on
        duplicate_key,  // a row with its key is there already: a mode that keeps rows skips it
        table,          // every later record would fail the same way: the table ends here
    };

    int number;  // 1-based, in the order the table received its records; 0: the record at hand
    int code;    // the side's error code, as a tk_exception carries it
    std::string message;
    cause why = cause::record;
};

class udb_record_exception : public tk_exception {
public:
    // The record being read or written.
    udb_record_exception(std::string_view message, int code,
                         udb_lost_record::cause why = udb_lost_record::cause::record);
    // Earlier records, sent together and refused one by one; not empty. The exception's own
    // code and message are those of the first record lost for another cause than a
    // duplicate key (else of the first), so that a handler that skips duplicate keys never
    // skips a real error.
    explicit udb_record_exception(std::vector<udb_lost_record> records);

    const std::vector<udb_lost_record>& records() const { return records_; }

private:
    static const udb_lost_record& primary(const std::vector<udb_lost_record>& records);
    std::vector<udb_lost_record> records_;
};
