// The command-line iterator over the program's own option table, and the mode rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TK/tk_cmdli.h"
#include "TK/tk_excep.h"
#include "app/console/con_opts.h"

namespace {

struct walked {
    std::vector<int> ids;
    std::vector<std::string> values;
};

walked walk(tk_cmdli& it) {
    walked w;
    while (it.has_more()) {
        w.ids.push_back(it.get_id());
        w.values.emplace_back(it.get_value());
        it.next();
    }
    return w;
}

struct classify_case {
    const char* arg;
    int id;
    const char* value;
};

TEST(Cmdli, ClassifiesEachArgumentByTheFirstMatchingPrefix) {
    const classify_case cases[] = {
        {"--src=orcl", OPT_SRC, "orcl"},
        {"--dest=my db", OPT_DEST, "my db"},
        {"--dump", OPT_DUMP, ""},
        {"--dumpfile", OPT_DUMP, "file"},  // options without a value match a prefix
        {"--silentXYZ", OPT_SILENT, "XYZ"},
        {"--case_sense", OPT_CASE_SENSE, ""},
        {"--mode=", OPT_MODE, ""},
        {"--mysqlh=h", OPT_MYSQLH, "h"},
        {"--myport=3307", OPT_MYPORT, "3307"},
        {"--oraclh=", OPT_ORACLH, ""},
        {"--oraport=1522", OPT_ORAPORT, "1522"},
        {"--profile=a.qrn", OPT_PROFILE, "a.qrn"},
        {"--tab_file=t.txt", OPT_TAB_FILE, "t.txt"},
        {"--tab_def", OPT_TAB_DEF, ""},
        {"--skip_idx", OPT_SKIP_IDX, ""},
        {"--logfile=x.log", OPT_LOGFILE, "x.log"},
        {"--help", OPT_HELP, ""},
        {"--views", tk_cmdli::unrecognised_id, "--views"},
        {"--src", tk_cmdli::unrecognised_id, "--src"},  // the '=' is part of the prefix
        {"-src=a", tk_cmdli::unrecognised_id, "-src=a"},
        {"--SRC=a", tk_cmdli::unrecognised_id, "--SRC=a"},
        {"", tk_cmdli::unrecognised_id, ""},
    };
    for (const auto& c : cases) {
        const char* argv[] = {"tollspar", c.arg};
        tk_cmdli it(2, argv, con_option_table);
        ASSERT_TRUE(it.has_more()) << c.arg;
        EXPECT_EQ(it.get_id(), c.id) << c.arg;
        EXPECT_STREQ(it.get_value(), c.value) << c.arg;
    }
}

TEST(Cmdli, WalksInOrderAndCollectsUnrecognised) {
    const char* argv[] = {"tollspar", "--src=a", "bogus", "--dump", "--views", "--src=b"};
    tk_cmdli it(6, argv, con_option_table);
    walked w = walk(it);
    EXPECT_EQ(w.ids, (std::vector<int>{OPT_SRC, -1, OPT_DUMP, -1, OPT_SRC}));
    EXPECT_EQ(w.values.back(), "b");
    EXPECT_EQ(it.unrecognised(), (std::vector<std::string>{"bogus", "--views"}));
    EXPECT_EQ(it.unrecognised_count(), 2);
}

TEST(Cmdli, KeepsTwentyUnrecognisedButCountsThemAll) {
    std::vector<std::string> args(25);
    std::vector<const char*> argv{"tollspar"};
    for (size_t i = 0; i < args.size(); ++i) {
        args[i] = "x" + std::to_string(i);
        argv.push_back(args[i].c_str());
    }
    tk_cmdli it(static_cast<int>(argv.size()), argv.data(), con_option_table);
    walk(it);
    EXPECT_EQ(it.unrecognised().size(), 20u);
    EXPECT_EQ(it.unrecognised().back(), "x19");
    EXPECT_EQ(it.unrecognised_count(), 25);
}

TEST(Cmdli, NoArgumentsAndMisuse) {
    const char* argv[] = {"tollspar"};
    tk_cmdli it(1, argv, con_option_table);
    EXPECT_FALSE(it.has_more());
    // Past the end is an internal error, never a read out of the argument vector.
    EXPECT_THROW(it.next(), tk_mail_assertion);
    EXPECT_THROW(it.get_id(), tk_mail_assertion);
    EXPECT_THROW(it.get_value(), tk_mail_assertion);
    try {
        it.next();
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.level(), 2);
        EXPECT_EQ(std::string(e.what()), tk_assertion_text("tk_cmdli", 60));
    }
}

TEST(ModeRule, AcceptsOnlyTheExactDecimalFormOfZeroToThree) {
    const struct {
        const char* text;
        int expected;  // -1: refused
    } cases[] = {
        {"0", 0},   {"1", 1}, {"2", 2},   {"3", 3},   {"4", -1},  {"03", -1}, {"+1", -1},
        {"-0", -1}, {"", -1}, {" 1", -1}, {"1 ", -1}, {"1x", -1}, {"x", -1},  {"10", -1},
    };
    for (const auto& c : cases) {
        auto mode = con_parse_mode(c.text);
        EXPECT_EQ(mode ? static_cast<int>(*mode) : -1, c.expected) << '"' << c.text << '"';
    }
}

}  // namespace
