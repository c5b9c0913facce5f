// Logon, reconnect, presence test, version, counts, errors and the syntax test.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ORA/ora_util.h"
#include "TK/tk_log.h"
#include "tests/ORA/ora_fixture.h"
#include "tests/support/files.h"

namespace ora_test {
namespace {

class OraConnect : public client {
protected:
    static void SetUpTestSuite() { build_store("ORCL", "schema.sql"); }
};

TEST(OraMissingClient, FirstConnectFailsWithTheInstallMessage) {
    setenv("MARROWGATE_OCI_LIB", "/nonexistent/libclntsh.so", 1);
    ora_engine engine;
    try {
        engine.open_db(u"ORCL", u"scott", u"tiger");
        FAIL() << "no exception";
    } catch (const ora_exception&) {
        FAIL() << "an Oracle error instead of the missing-client message";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 1);
        const std::string advice =
            "The Oracle client and networking components were not found.\n"
            "These components are supplied by the Oracle Corporation and\n"
            "are part of the Oracle Version 7.3.4 (or later) client\n"
            "software installation. You will be unable to use this program\n"
            "until these components have been installed.\n\n";
        EXPECT_EQ(e.message().substr(0, advice.size()), advice);
        // Then the file tried and how to name the library.
        EXPECT_NE(e.message().find("/nonexistent/libclntsh.so"), std::string::npos) << e.message();
        EXPECT_NE(e.message().find("MARROWGATE_OCI_LIB"), std::string::npos) << e.message();
    }
    EXPECT_FALSE(engine.is_initialized());
    EXPECT_EQ(engine.svc(), nullptr);
}

TEST_F(OraConnect, ConnectStringForms) {
    struct {
        const char16_t *host, *port, *service, *expected;
    } cases[] = {
        {u"dbhost", u"", u"ORCL", u"//dbhost:1521/ORCL"},
        {u"", u"1600", u"ORCL", u"//localhost:1600/ORCL"},
        {u"", u"", u"ORCL", u"ORCL"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(compat::utf16_to_utf8(c.expected));
        auto db = engine_->open_db(c.host, u"scott", u"tiger", c.port, c.service);
        ASSERT_TRUE(db);
        EXPECT_EQ(engine_->database(), c.expected);
        EXPECT_EQ(db->get_name(), c.expected);
        EXPECT_TRUE(db->is_table_exist(u"EMP"));
    }
}

TEST_F(OraConnect, FailedLogonLeavesNoStaleSessionAndRetryWorks) {
    const long long misused = misuses();
    auto db = connect("ORCL");
    EXPECT_EQ(engine_->user(), u"scott");
    try {
        connect("ORCL", u"scott", u"wrong");
        FAIL() << "logon with a wrong password succeeded";
    } catch (const ora_exception& e) {
        EXPECT_EQ(e.code(), ora_error_code(1017));
        EXPECT_EQ(e.level(), 0);
        EXPECT_NE(std::string(e.what()).find("ORA-01017"), std::string::npos) << e.what();
    }
    EXPECT_EQ(engine_->svc(), nullptr);
    EXPECT_EQ(engine_->user(), u"scott");  // the last successful logon
    EXPECT_THROW(connect("NOSUCHSERVICE"), ora_exception);
    // What a failed logon left in the service-context pointer is the library's: never freed.
    EXPECT_EQ(misuses(), misused);
    auto again = connect("ORCL");
    ASSERT_TRUE(again);
    EXPECT_EQ(engine_->get_records_cnt(u"EMP"), 3);
}

TEST_F(OraConnect, EnvironmentIsUtf16InBothCharacterSets) {
    auto db = connect("ORCL");
    ub2 charset = 0;
    ASSERT_EQ(engine_->oci().OCIAttrGet(engine_->env(), OCI_HTYPE_ENV, &charset, nullptr, OCI_ATTR_CHARSET_ID,
                                        engine_->err()),
              OCI_SUCCESS);
    EXPECT_EQ(charset, OCI_UTF16ID);
}

TEST_F(OraConnect, ErrorTextsEndWithoutLineFeed) {
    auto db = connect("ORCL");
    try {
        ora_stmt stmt;
        stmt.prepare(u"SELECT * FROM NO_SUCH_TABLE");
        stmt.execute(0);
        FAIL() << "a query of a missing table ran";
    } catch (const ora_exception& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("ORA-00942"), std::string::npos) << text;
        ASSERT_FALSE(text.empty());
        EXPECT_NE(text.back(), '\n') << text;
    }
}

TEST_F(OraConnect, EveryParameterDescriptorIsFreed) {
    const long long before = open_params();
    {
        auto db = connect("ORCL");
        auto t = db->get_table(u"EMP", true);
        read_all(*t);
    }
    EXPECT_EQ(open_params(), before);
}

TEST_F(OraConnect, SecondLogonReplacesTheFirst) {
    auto first = connect("ORCL");
    first.reset();
    auto second = connect("ORCL");
    EXPECT_EQ(engine_->get_records_cnt(u"DEPT"), 3);
}

TEST_F(OraConnect, PasswordNeverReachesTheTraceLog) {
    std::string path = stores().file("trace.log");
    tk_log log(path, true, 1, false);
    auto db = connect("ORCL", u"scott", u"tiger");
    EXPECT_THROW(connect("ORCL", u"scott", u"S3cretPw"), ora_exception);
    const std::string text = test_support::read_file(path);
    EXPECT_NE(text.find("ora_engine::open_db"), std::string::npos);
    EXPECT_EQ(text.find("tiger"), std::string::npos);
    EXPECT_EQ(text.find("S3cretPw"), std::string::npos);
}

TEST_F(OraConnect, StatusCheck) {
    auto db = connect("ORCL");
    for (sword s : {OCI_SUCCESS, OCI_SUCCESS_WITH_INFO, OCI_NEED_DATA, OCI_NO_DATA})
        EXPECT_EQ(engine_->check_status(s), s);
    try {
        engine_->check_status(OCI_INVALID_HANDLE);
        FAIL() << "an invalid handle passed";
    } catch (const ora_exception& e) {
        EXPECT_EQ(e.level(), 0);
        EXPECT_EQ(e.code() & 0xFFF00000, 0x100000);
    }
}

TEST_F(OraConnect, VersionAndCounts) {
    auto db = connect("ORCL");
    EXPECT_EQ(engine_->get_version() >> 16, 19u);
    EXPECT_EQ(engine_->get_records_cnt(u"EMP"), 3);
    EXPECT_EQ(engine_->get_records_cnt(u"SELECT * FROM EMP WHERE SAL > 1000", true), 2);
    try {
        engine_->get_records_cnt(u"emp");  // quoted: the exact name only
        FAIL() << "counted a table that does not exist";
    } catch (const ora_exception& e) {
        EXPECT_EQ(e.code(), 0x1003AE);
    }
}

TEST_F(OraConnect, ParseOnlyQueryTest) {
    auto db = connect("ORCL");
    EXPECT_TRUE(db->test_query(u"SELECT EMPNO, ENAME FROM EMP WHERE SAL > 1000"));
    EXPECT_THROW(db->test_query(u"SELEC EMPNO FROM EMP"), ora_exception);
    try {
        db->test_query(u"SELECT * FROM NO_SUCH_TABLE");
        FAIL() << "no error";
    } catch (const ora_exception& e) {
        EXPECT_EQ(e.code(), ora_error_code(942));
    }
}

TEST_F(OraConnect, FetchErrorInTheTableListIsRaised) {
    auto db = connect("ORCL");
    engine_->get_version();  // asked once per connection, so the list is the next reader
    inject_error("fetch", 1, 3113);
    try {
        ora_database again(u"ORCL", udb_open_mode::read_only);
        inject_error("none", 0, 0);
        FAIL() << "listed " << again.get_table_names().size() << " tables despite the fetch error";
    } catch (const ora_exception& e) {
        inject_error("none", 0, 0);
        EXPECT_EQ(e.code(), ora_error_code(3113));
    }
}

TEST_F(OraConnect, OldServerUsesTheOlderCatalogQueries) {
    build_store("OLD7", "schema.sql");
    stores().exec("OLD7", "UPDATE \"V$VERSION\" SET BANNER = 'Oracle7 Server Release 7.3.4.0.0 - Production'");
    auto db = connect("OLD7");
    EXPECT_EQ(engine_->get_version(), 7u << 16 | 3u << 8 | 4u);
    EXPECT_TRUE(db->is_table_exist(u"EMP"));
    EXPECT_TRUE(db->is_table_exist(u"CHILD2"));
    auto emp = db->get_table(u"EMP", true);
    ASSERT_FALSE(emp->get_indexes().empty());
    EXPECT_EQ(emp->get_indexes()[0].name, u"PK_EMP");
    int pk_count = 0;
    for (const auto& index : emp->get_indexes()) pk_count += index.name == u"PK_EMP";
    EXPECT_EQ(pk_count, 1);
}

}  // namespace
}  // namespace ora_test
