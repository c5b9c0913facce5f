// A MariaDB server set up against the writer: latin1 for everything by default, an sql_mode
// with NO_BACKSLASH_ESCAPES and ANSI_QUOTES, and a max_allowed_packet of 1 MB. Both roads
// must still deliver every value byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "tests/faults/fault_fixture.h"

namespace fault_test {
namespace {

using test_support::read_file;
using test_support::run_process;

const std::string fixture_dir = std::string(MG_SOURCE_DIR) + "/tests/fixtures/quoting/";

class HostileServer : public fault_run {
protected:
    void SetUp() override {
        fault_run::SetUp();
        dir_.build("HOSTILE", fixture_dir + "hostile_values.sql");
    }
    static std::vector<std::string> hostile_source() { return {"--src=HOSTILE", "--oraclu=scott", "--oraclp=tiger"}; }
    static std::string rows(const std::string& port, const std::string& db) {
        return mariadb(port, "SELECT ID, HEX(T), HEX(B) FROM `" + db + "`.VALS ORDER BY ID").out;
    }
};

TEST_F(HostileServer, BothRoadsDeliverEveryValue) {
    own_server server(
        "--character-set-server=latin1 --collation-server=latin1_swedish_ci "
        "--sql-mode=NO_BACKSLASH_ESCAPES,ANSI_QUOTES --max-allowed-packet=1M");
    ASSERT_TRUE(server.started()) << server.failure();
    const std::string& port = server.port();
    ASSERT_EQ(mariadb(port, "SELECT @@GLOBAL.sql_mode, @@GLOBAL.character_set_server, @@GLOBAL.max_allowed_packet").out,
              "ANSI_QUOTES,NO_BACKSLASH_ESCAPES\tlatin1\t1048576\n");
    const std::string expected = read_file(fixture_dir + "hostile_values.expected");

    // Live road.
    std::vector<std::string> live = hostile_source();
    live.insert(live.end(), {"--mysqlh=127.0.0.1", "--myport=" + port, "--mysqlu=root", "--dest=live"});
    proc_result r = tollspar(live);
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(rows(port, "live"), expected);

    // Dump road, loaded by the stock client with the server's defaults and with gbk.
    std::vector<std::string> dump = hostile_source();
    dump.insert(dump.end(), {"--dump", "--dest=" + file("vals.sql")});
    r = tollspar(dump);
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    for (const std::string charset : {"", "--default-character-set=gbk"}) {
        ASSERT_EQ(mariadb(port, "DROP DATABASE IF EXISTS d; CREATE DATABASE d").code, 0);
        std::vector<std::string> argv{"/usr/bin/mariadb", "--no-defaults", "-h", "127.0.0.1", "-P", port, "-u", "root"};
        if (!charset.empty()) argv.push_back(charset);
        argv.push_back("d");
        proc_options o;
        o.stdin_file = file("vals.sql");
        proc_result load = run_process(argv, o);
        EXPECT_EQ(load.code, 0) << charset << "\n" << load.err;
        EXPECT_EQ(rows(port, "d"), expected) << charset;
    }

    // Many rows: every batch stays under the server's packet limit.
    r = tollspar(server_args(port, "big"));
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(mariadb(port, "SELECT COUNT(*) FROM big.BIG").out, std::to_string(big_rows) + "\n");
}

}  // namespace
}  // namespace fault_test
