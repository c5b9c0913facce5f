#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "TK/tk_log.h"
#include "UDB/udb_db.h"
#include "UDB/udb_guid.h"
#include "UDB/udb_prof.h"
#include "UDB/udb_vali.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

using compat::wstring;

namespace {

class plain_recordset : public udb_recordset {
public:
    using udb_recordset::udb_recordset;
    void append_record(const udb_record&) override {}
};

// With the log on at level 1 every trace line of the data model is formatted and written.
TEST(udb_trace_test, lines_reach_the_log) {
    const test_support::temp_dir dir("udb-trace");
    const std::string file = dir.file("t.log");
    {
        tk_log log(file, true, 1, false);
        udb_validator v(64);
        v.add_illegal_char(u'/');
        v.add_existing_name(u"\u00c9mp");
        EXPECT_FALSE(v.is_acceptable(u"a/b"));
        EXPECT_EQ(v.get_safe_name(u"\u00e9MP"), u"\u00e9MP00000");

        t_names_map m;
        m.add(u"ID", u"NEW");
        udb_names_map::do_global_replace2(u"SELECT ID FROM T", m, u"`", u"`");

        plain_recordset rs(u"T");
        rs.get_schema().push_back(std::make_unique<t_ftd>(10, u"Id", VT_I4, true, false));
        EXPECT_TRUE(rs.get_schema().find_field(u"ID"));
        rs.add_index(udb_index(u"PK", true, true, {u"Id"}));

        udb_profile p;
        EXPECT_TRUE(p.store(compat::utf8_to_utf16(dir.file("p.qrn"))));
        ole_guid_extractor g(wstring(50, u'x'));
        EXPECT_FALSE(g.is_found());
    }
    const std::string text = test_support::read_file(file);
    for (const char* line : {
             "udb_validator::ctor\r\n",
             "The name contains illegal: /\r\n",
             "udb_validator::add_existing_name(\xC3\x89mp)\r\n",
             "udb_validator::get_safe_name(\xC3\xA9MP)\r\n",
             "'ID' was found at pos=7\r\n",
             "\tfield name='Id', vartype=3, size=10, b_not_null=1, reserved=0\r\n",
             "udb_schema::find_field(ID)\r\n",
             "Processing Id\r\n",
             "Store primary/unique key\r\n",
             "udb_profile::store)\r\n",
             "ole_guid_extractor::ctor(xxxxxxxxxx",
             "Locating 'guid' (-1 : -1)\r\n",
         }) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
}

}  // namespace
