#include <gtest/gtest.h>

#include "UDB/udb_guid.h"

using compat::wstring;

namespace {

const wstring guid = u"{6F9619FF-8B86-D011-B42D-00C04FC964FF}";
const wstring digits = u"6F9619FF8B86D011B42D00C04FC964FF";

wstring pad(wstring text, size_t len) {
    text.resize(len, u' ');
    return text;
}

TEST(ole_guid_extractor_test, finds_only_a_whole_guid) {
    struct {
        const char* what;
        wstring text;
        wstring expected;
    } cases[] = {
        {"45 characters", pad(u"guid=" + guid, 45), digits},
        {"44 characters", pad(u"guid=" + guid, 44), u""},
        {"43 characters, all of it", u"guid=" + guid, u""},
        {"upper-case word", pad(u"GUID = " + guid, 50), digits},
        {"lower case wins over an earlier upper case", u"GUID={bad} guid=" + guid, digits},
        {"lower-case digits kept", pad(u"guid=" + compat::to_lower(guid), 45), compat::to_lower(digits)},
        {"no word", pad(u"uuid=" + guid, 50), u""},
        {"word but no brace", pad(u"GUID only text", 50), u""},
        {"brace before the word", pad(guid + u" guid", 50), u""},
        {"brace at the end", pad(u"", 50) + u"guid={", u""},
        {"GUID cut by the end of the text", pad(u"", 40) + u"guid=" + guid.substr(0, 37), u""},
        {"not hexadecimal", pad(u"guid={6F9619FF-8B86-D011-B42D-00C04FC964FG}", 50), u""},
        {"hyphen missing", pad(u"guid={6F9619FF08B86-D011-B42D-00C04FC964FF}", 50), u""},
        {"closing brace missing", pad(u"guid={6F9619FF-8B86-D011-B42D-00C04FC964FF)", 50), u""},
    };
    for (const auto& c : cases) {
        ole_guid_extractor g(c.text);
        EXPECT_EQ(g.to_wstring(), c.expected) << c.what;
        EXPECT_EQ(g.is_found(), !c.expected.empty()) << c.what;
    }
}

TEST(ole_guid_extractor_test, narrow_form) {
    ole_guid_extractor g(std::string("binary value guid=") + compat::utf16_to_utf8(guid));
    EXPECT_EQ(g.to_string(), compat::utf16_to_utf8(digits));
}

}  // namespace
