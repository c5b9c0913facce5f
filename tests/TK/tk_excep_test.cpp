#include "TK/tk_excep.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <cstring>

#include "TK/tk_log.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tk_test_util.h"

namespace {

TEST(Exceptions, MessagesCodesAndLevels) {
    struct Case {
        tk_exception e;
        const char* message;
        int code, level;
    };
    Case cases[] = {
        {tk_exception(0), "Unknown exception", 0, 0},
        {tk_exception("", 0), "Unknown exception", 0, 0},
        {tk_exception(std::string("Table missing"), 1), "Table missing", 0, 1},
        {tk_exception(u"T\u00e4ble", 0),
         "T\xc3\xa4"
         "ble",
         0, 0},
        {tk_exception(u"", 1), "", 0, 1},
        {tk_exception("ORA-00942", 0x100000 | 942, 0), "ORA-00942", 0x100000 | 942, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_STREQ(c.e.what(), c.message);
        EXPECT_EQ(c.e.code(), c.code);
        EXPECT_EQ(c.e.level(), c.level);
    }
}

TEST(Exceptions, ExCarriesErrnoTakenBeforeTheLogWrites) {
    test_support::temp_dir dir;
    tk_log log(dir.file("trace.log").c_str(), true, 1, false);
    ASSERT_EQ(::open(dir.file("missing.txt").c_str(), O_RDONLY), -1);
    tk_exception_ex e;
    EXPECT_EQ(e.level(), 1);
    EXPECT_EQ(e.code(), ENOENT);
    EXPECT_EQ(e.message(), std::strerror(ENOENT));
    EXPECT_EQ(test_support::read_file(dir.file("trace.log")),
              std::string("tk_exception_ex::ctor\r\nGetLastError: ") + std::strerror(ENOENT) + "\r\n");
    EXPECT_STREQ(tk_exception_ex(0).what(), "Unknown exception");
}

TEST(Exceptions, FinalExceptionPassesTkExceptionHandlers) {
    auto run = [] {
        try {
            throw tk_final_exception();
        } catch (const tk_exception&) {
            return 1;
        } catch (const std::exception&) {
            return 2;
        }
    };
    EXPECT_EQ(run(), 2);
}

TEST(Exceptions, AssertionTextEncodesTheLocation) {
    tk_mail_assertion a("x", 7);
    EXPECT_EQ(a.level(), 2);
    EXPECT_EQ(a.code(), 0);
    EXPECT_EQ(a.message(), "Internal error: \ncode=785c37");
    // Every byte gives two digits, non-ASCII ones included.
    EXPECT_EQ(tk_assertion_text("\xe9", 1), "Internal error: \ncode=e95c31");
    EXPECT_EQ(tk_assertion_text(tk_where::singl, 35), "Internal error: \ncode=2e2e5c544b2f746b5f73696e676c5c3335");
    // The location is cut at 275 bytes.
    std::string text = tk_assertion_text(std::string(400, 'a').c_str(), 1);
    EXPECT_EQ(text.size(), std::strlen("Internal error: \ncode=") + 550);
}

}  // namespace
