// BFILE columns: the file a value points to is not read, but a NULL stays NULL and the
// column keeps its nullability, on both roads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/reliability/rel_env.h"

namespace rel_test {
namespace {

using rows_t = std::vector<std::vector<std::string>>;

constexpr const char* store_sql =
    "CREATE USER scott IDENTIFIED BY tiger;\n"
    "CREATE TABLE T_FILES (ID NUMBER(5) NOT NULL, F BFILE, NN BFILE NOT NULL,\n"
    "  CONSTRAINT PK_T_FILES PRIMARY KEY (ID));\n"
    "INSERT INTO T_FILES VALUES (1, BFILENAME('DOCS', 'a.txt'), BFILENAME('DOCS', 'b.txt'));\n"
    "INSERT INTO T_FILES VALUES (2, NULL, BFILENAME('DOCS', 'c.txt'));\n"
    "COMMIT;\n";

TEST(Bfile, ANullStaysNullOnBothRoads) {
    MG_NEED_SANDBOX();
    const unsigned port = sandbox_port();
    workspace ws;
    ws.stores().build_text("FILES", store_sql);
    const std::string db = test_db_name("bfile");
    connection conn(port);
    for (bool dump : {false, true}) {
        SCOPED_TRACE(dump ? "dump" : "live");
        conn.exec("DROP DATABASE IF EXISTS `" + db + "`");
        if (dump) {
            const std::string file = ws.file("files.sql");
            proc_result conv = run(ws.tollspar("FILES", {"--dump", "--dest=" + file}), ws.dir());
            ASSERT_EQ(conv.code, 0) << conv.out << conv.err;
            conn.exec("CREATE DATABASE `" + db + "`");
            proc_result load = run(ws.mariadb_client(db, port, file), ws.dir());
            ASSERT_EQ(load.code, 0) << load.err;
        } else {
            proc_result conv = run(ws.tollspar("FILES", workspace::live_args(db, port)), ws.dir());
            ASSERT_EQ(conv.code, 0) << conv.out << conv.err;
        }
        EXPECT_EQ(conn.rows("SELECT ID, COALESCE(F, 'NULL'), NN FROM `" + db + "`.T_FILES ORDER BY ID"),
                  (rows_t{{"1", "<unsupported type>", "<unsupported type>"}, {"2", "NULL", "<unsupported type>"}}));
        EXPECT_EQ(conn.rows("SELECT COLUMN_NAME, IS_NULLABLE FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = '" +
                            db + "' AND TABLE_NAME = 'T_FILES' AND COLUMN_NAME <> 'ID' ORDER BY COLUMN_NAME"),
                  (rows_t{{"F", "YES"}, {"NN", "NO"}}));
    }
    conn.exec("DROP DATABASE IF EXISTS `" + db + "`");
}

}  // namespace
}  // namespace rel_test
