// Values that try to leave their literal: a dump loaded by the stock client under every
// client character set it offers, and the same values written straight into the server,
// arrive byte for byte, and nothing of them runs as a statement.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/console/con_fixture.h"
#include "tests/support/sandbox.h"

namespace con_test {
namespace {

// The values (tests/fixtures/quoting): each text puts a character whose last byte begins a
// two-byte character in some East Asian client character set (or a byte such a set pairs
// with what follows) before an escape, then SQL that would drop the sentinel table if it
// ever ran; the raw values hold the same traps. The .expected file is id, HEX(t), HEX(b) as
// the server must give them back.
const std::string fixture_dir = std::string(MG_SOURCE_DIR) + "/tests/fixtures/quoting/";

class Quoting : public tollspar_test {
protected:
    void SetUp() override {
        port_ = std::to_string(test_support::sandbox_port());
        tollspar_test::SetUp();
        dir_.build("HOSTILE", fixture_dir + "hostile_values.sql");
        expected_rows_ = read_file(fixture_dir + "hostile_values.expected");
        db_ =
            "quo_" + std::to_string(::getpid()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    void TearDown() override {
        if (!db_.empty()) client({"-e", "DROP DATABASE IF EXISTS `" + db_ + "`"});
    }
    proc_result client(const std::vector<std::string>& args, const std::string& input = "") const {
        return mariadb(args, input);
    }
    void fresh_database() const {
        proc_result r = client({"-e", "DROP DATABASE IF EXISTS `" + db_ + "`; CREATE DATABASE `" + db_ +
                                          "`; CREATE TABLE `" + db_ + "`.SENTINEL (a INT)"});
        ASSERT_EQ(r.code, 0) << r.err;
    }
    std::string rows() const {
        return client({"-e", "SELECT ID, HEX(T), HEX(B) FROM `" + db_ + "`.VALS ORDER BY ID"}).out;
    }
    bool sentinel_stands() const { return client({"-e", "SELECT COUNT(*) FROM `" + db_ + "`.SENTINEL"}).code == 0; }
    std::vector<std::string> source() const { return {"--src=HOSTILE", "--oraclu=scott", "--oraclp=tiger"}; }

    std::string port_;
    std::string db_;
    std::string expected_rows_;
};

TEST_F(Quoting, ADumpHoldsUnderEveryClientCharacterSet) {
    // Without LOCK TABLES too, which would otherwise refuse a statement that broke out.
    for (const char* lock : {"1", "0"}) {
        write_file(file("p.qrn"), "[Generic settings]\nsrc=HOSTILE\ndest=" + file("vals.sql") +
                                      "\n[Oracle settings]\nuser=scott\npassword=tiger\n[MySQL settings]\ndirect "
                                      "mode=0\ndump add lock to insert=" +
                                      lock + "\n");
        proc_result r = tollspar({"--profile=" + file("p.qrn")});
        ASSERT_EQ(r.code, 0) << r.out << r.err;
        for (const char* charset : {"gbk", "big5", "sjis", "cp932", "latin1", "utf8mb4", "utf8", "ascii", "binary"}) {
            fresh_database();
            proc_result load = client({std::string("--default-character-set=") + charset, db_}, file("vals.sql"));
            EXPECT_EQ(load.code, 0) << charset << " lock=" << lock << "\n" << load.err;
            EXPECT_TRUE(sentinel_stands()) << charset << " lock=" << lock << ": a value ran as a statement";
            EXPECT_EQ(rows(), expected_rows_) << charset << " lock=" << lock;
        }
    }
}

TEST_F(Quoting, TheLiveRoadWritesTheSameBytes) {
    std::vector<std::string> args = source();
    args.insert(args.end(), {"--mysqlh=127.0.0.1", "--myport=" + port_, "--mysqlu=root", "--dest=" + db_, "--mode=1"});
    fresh_database();
    proc_result r = tollspar(args);
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_TRUE(sentinel_stands());
    EXPECT_EQ(rows(), expected_rows_);
}

}  // namespace
}  // namespace con_test
