#include <gtest/gtest.h>

#include <unistd.h>
#include <fstream>
#include <sstream>
#include <string>

#include "TK/tk_log.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "values/ole_date.h"
#include "values/ole_var.h"

namespace {

class TraceLog : public testing::Test {
protected:
    test_support::temp_dir dir{"values-trace"};
    std::string path = dir.file("trace.log");

    std::string contents() const { return test_support::read_file(path); }
};

TEST_F(TraceLog, ValuesWriteTheirTraceLines) {
    {
        tk_log log(path, true, 1, false);
        ole_variant i(5);
        ole_variant h(-7LL);
        ole_variant u(7ULL);
        ole_variant d(1.5);
        ole_variant b(true);
        ole_variant copy(i);
        (void)i.to_string();
        (void)ole_variant::from_string("0x0", VT_BYTE_ARRAY);
        (void)ole_variant::from_string("abc", VT_DECIMAL);
        (void)ole_variant::from_string("12", VT_I4);
        (void)ole_date(std::string_view("2004"));
        SYSTEMTIME zero{};
        (void)ole_variant(zero);
    }
    const std::string log = contents();
    const char* const lines[] = {
        "ole_variant::ctor from int(5)\r\n",         "ole_variant::ctor(hyper, -7)\r\n",
        "ole_variant::ctor(uhyper, 7)\r\n",          "ole_variant::ctor from double(1.500000e+00)\r\n",
        "ole_variant::ctor from bool (1)\r\n",       "ole_variant::copy ctor\r\n",
        "ole_variant::to_string (vt=00000003)\r\n",  "Incorrect BLOB (size is odd)\r\n",
        "VarDecFromStr failed: 80020005\r\n",        "ole_variant::from_string('12', 0x00000003)\r\n",
        "Invalid date/time format: '2004'\r\n",      "Construct ole_variant from SYSTEMTIME\r\n",
        "Failed to convert SYSTEMTIME->VARIANT\r\n",
    };
    for (const char* line : lines) EXPECT_NE(log.find(line), std::string::npos) << line << "\nin:\n" << log;
}

TEST_F(TraceLog, NoLogCostsNothingAndWritesNothing) {
    ole_variant v = ole_variant::from_string("1.5", VT_R8);
    EXPECT_EQ(v.to_string(), "1.500000000000000e+00");
    EXPECT_EQ(contents(), "");
}

}  // namespace
