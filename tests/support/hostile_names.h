// An Oracle schema whose names go beyond ASCII and whose values are SQL, as a dump must carry
// them to every client character set: the last byte of "A\u5217" pairs with a backquote in
// gbk, sjis and cp932, that of "B\u4e2d" in big5. A client that lost its place after such a
// name would run the values; the checks tell what must have arrived instead.
#pragma once

#include <string>
#include <vector>

namespace test_support {

// The user the attack would create (one of this process alone).
std::string hostile_intruder();
// The value that would create it, with full privileges, and drop the table SENTINEL.
std::string hostile_attack();
// The schema for ocilite-load, user scott/tiger: tables "A\u5217", "B\u4e2d" and "\u4e2d".
std::string hostile_names_script();
// The tables of the schema, in the order a run writes them.
std::vector<std::string> hostile_tables();

// A query and what the stock client prints for it in batch mode (-N -B).
struct client_check {
    std::string sql;
    std::string expected;
};
// What database `db` holds once the dump was loaded into it, where SENTINEL (a INT) was
// made empty before: every table, column, key, index and value exact, SENTINEL standing and
// empty, no intruder.
std::vector<client_check> hostile_names_arrived(const std::string& db);

}  // namespace test_support
