#include "tests/support/hostile_names.h"

#include <unistd.h>

namespace test_support {

std::string hostile_intruder() { return "mg_intruder_" + std::to_string(::getpid()); }

std::string hostile_attack() {
    return "); UNLOCK TABLES; CREATE USER " + hostile_intruder() + "@localhost; GRANT ALL PRIVILEGES ON *.* TO " +
           hostile_intruder() + "@localhost WITH GRANT OPTION; DROP TABLE SENTINEL; #";
}

std::vector<std::string> hostile_tables() { return {"A\u5217", "B\u4e2d", "\u4e2d"}; }

// Each of the first two tables' first value fills a statement of its own; a client that
// lost its place reads the end of that value as outside any quote, drops the rest of the
// line as a comment, and takes the next statement's quote for the end of the value: the
// second value then runs as SQL. The third table has a key column beyond ASCII, whose
// collation a dump sets in statements of their own, with a default that would end a comment.
std::string hostile_names_script() {
    std::string text = "CREATE USER scott IDENTIFIED BY tiger;\n";
    for (const char* table : {"A\u5217", "B\u4e2d"})
        text += std::string("CREATE TABLE \"") + table + "\" (ID NUMBER(10) PRIMARY KEY, V CLOB);\n" +
                "INSERT INTO \"" + table + "\" VALUES (1, RPAD('a', 1000000, 'a') || '` #');\n" + "INSERT INTO \"" +
                table + "\" VALUES (2, '" + hostile_attack() + "');\n";
    return text +
           "CREATE TABLE \"\u4e2d\" (\"\u5217\" VARCHAR2(100) DEFAULT '\u9ed8`*/ #', ID NUMBER(3) PRIMARY KEY, "
           "\"Stra\u00dfe\" NUMBER(5));\n"
           "CREATE UNIQUE INDEX \"\u7d22\u5f15\" ON \"\u4e2d\" (\"\u5217\");\n"
           "INSERT INTO \"\u4e2d\" VALUES ('\u6f22`'' ; DROP TABLE SENTINEL; -- ', 1, 7);\n"
           "INSERT INTO \"\u4e2d\" VALUES ('x` #', 2, NULL);\n"
           "INSERT INTO \"\u4e2d\" VALUES ('x` # ', 3, 8);\n"
           "COMMIT;\n";
}

std::vector<client_check> hostile_names_arrived(const std::string& db) {
    const std::string in_db = "TABLE_SCHEMA = '" + db + "'";
    const std::string t = "`" + db + "`.`\u4e2d`";
    std::vector<client_check> checks{
        {"SELECT COUNT(*) FROM mysql.user WHERE user = '" + hostile_intruder() + "'", "0\n"},
        {"SELECT COUNT(*) FROM `" + db + "`.SENTINEL", "0\n"},
        {"SELECT TABLE_NAME FROM information_schema.TABLES WHERE " + in_db + " ORDER BY BINARY TABLE_NAME",
         "A\u5217\nB\u4e2d\nSENTINEL\n\u4e2d\n"},
        // the key column compares as in Oracle ('x` #' and 'x` # ' are two keys)
        {"SELECT COLUMN_NAME, COLLATION_NAME, COLUMN_DEFAULT FROM information_schema.COLUMNS WHERE " + in_db +
             " AND TABLE_NAME = '\u4e2d' ORDER BY ORDINAL_POSITION",
         "\u5217\tutf8mb4_nopad_bin\t'\u9ed8`*/ #'\nID\tNULL\tNULL\nStra\u00dfe\tNULL\tNULL\n"},
        {"SELECT INDEX_NAME, NON_UNIQUE, COLUMN_NAME FROM information_schema.STATISTICS WHERE " + in_db +
             " AND TABLE_NAME = '\u4e2d' ORDER BY BINARY INDEX_NAME",
         "PRIMARY\t0\tID\n\u7d22\u5f15\t0\t\u5217\n"},
        {"SELECT ID, `\u5217`, `Stra\u00dfe` FROM " + t + " ORDER BY ID",
         "1\t\u6f22`' ; DROP TABLE SENTINEL; -- \t7\n2\tx` #\tNULL\n3\tx` # \t8\n"},
    };
    for (const char* table : {"A\u5217", "B\u4e2d"})
        checks.push_back({"SELECT ID, LENGTH(V), V = IF(ID = 1, CONCAT(REPEAT('a', 1000000), '` #'), '" +
                              hostile_attack() + "') FROM `" + db + "`.`" + table + "` ORDER BY ID",
                          "1\t1000003\t1\n2\t" + std::to_string(hostile_attack().size()) + "\t1\n"});
    return checks;
}

}  // namespace test_support
