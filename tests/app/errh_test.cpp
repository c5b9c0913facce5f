// The error handler's rules, per program: what is shown, kept, thrown or ends the process.
#include <gtest/gtest.h>

#include "SQL/sql_exc.h"
#include "app/qrn_errh.h"
#include "tests/app/app_fixture.h"

using namespace app_test;

namespace {

enum class outcome { returns, final_thrown, exits };

struct handler_case {
    const char* what;
    qrn_program program;
    int level;
    int code;
    bool at_top;
    bool silent;
    bool abort_answer;
    outcome expected;
    bool expect_shown;
    bool expect_asked;
};

class ErrorHandlerCases : public ::testing::TestWithParam<handler_case> {};

outcome run_handler(error_handler& h, const tk_exception& e, bool at_top, int* exit_code) {
    try {
        h.handle(e, at_top);
    } catch (const tk_final_exception&) {
        return outcome::final_thrown;
    } catch (const test_exit& x) {
        *exit_code = x.code;
        return outcome::exits;
    }
    return outcome::returns;
}

constexpr auto W = qrn_program::wizard;
constexpr auto C = qrn_program::console;

const handler_case cases[] = {
    // what, program, level, code, at_top, silent, abort, outcome, shown, asked
    {"wizard level 0 continue", W, 0, 0, false, false, false, outcome::returns, false, true},
    {"wizard level 0 abort in run", W, 0, 0, false, false, true, outcome::final_thrown, false, true},
    {"wizard level 0 abort at top", W, 0, 0, true, false, true, outcome::returns, false, true},
    {"wizard level 0 silent", W, 0, 0, false, true, true, outcome::returns, false, false},
    {"wizard level 1 in run", W, 1, 0, false, false, false, outcome::final_thrown, true, false},
    {"wizard level 1 silent in run", W, 1, 0, false, true, false, outcome::final_thrown, false, false},
    {"wizard level 1 at top", W, 1, 0, true, false, false, outcome::returns, true, false},
    {"wizard level 2", W, 2, 0, false, false, false, outcome::exits, false, false},
    {"console level 0", C, 0, 0, false, false, false, outcome::returns, true, false},
    {"console level 0 silent", C, 0, 0, false, true, false, outcome::returns, false, false},
    {"console level 1", C, 1, 0, true, false, false, outcome::exits, true, false},
    {"console level 1 silent", C, 1, 0, false, true, false, outcome::exits, false, false},
    {"console level 2 silent", C, 2, 0, false, true, false, outcome::exits, false, false},
};

}  // namespace

TEST_P(ErrorHandlerCases, ShowsKeepsStopsOrExitsByLevel) {
    const handler_case& c = GetParam();
    test_front front(c.program);
    error_handler h(front, 12, qrn_oracle_errors().data());
    h.set_silent(c.silent);
    front.answer.abort = c.abort_answer;
    int exit_code = 0;
    const outcome got = run_handler(h, tk_exception("first line\nsecond line", c.code, c.level), c.at_top, &exit_code);
    EXPECT_EQ(got, c.expected) << c.what;
    if (c.expected == outcome::exits) {
        EXPECT_EQ(exit_code, -1) << c.what;
    }
    EXPECT_EQ(!front.shown.empty(), c.expect_shown) << c.what;
    EXPECT_EQ(!front.asked.empty(), c.expect_asked) << c.what;
    if (c.level == 2) {
        // The report goes out even when silent, and is not kept.
        ASSERT_EQ(front.internal.size(), 1u) << c.what;
        EXPECT_EQ(front.internal[0], "first line\nsecond line");
        EXPECT_TRUE(front.kept.empty()) << c.what;
    } else {
        EXPECT_EQ(front.kept.size(), c.program == W ? 1u : 0u) << c.what;
        for (const auto& m : front.shown) EXPECT_EQ(m, "first line second line") << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(All, ErrorHandlerCases, ::testing::ValuesIn(cases));

TEST(ErrorHandler, MessageIsContextThenAdviceOrOwnText) {
    test_front front(qrn_program::console);
    error_handler h(front, 12, qrn_oracle_errors().data());
    h.load_err_map(static_cast<int>(qrn_mysql_errors().size()), qrn_mysql_errors().data());

    // A code of either table gives its advice text, line feeds made blanks.
    h.set_context(u"EMP", 7);
    h.handle(sql_exception("Duplicate entry '1' for key 'PRIMARY'", 1062), false);
    h.set_context(u"");
    h.handle(tk_exception("ignored", 0x1003F9, 0), false);
    // A code no table holds, and code 0: the exception's own text.
    h.set_context(u"DEPT");
    h.handle(sql_exception("Unknown column 'x'", 1054), false);
    h.set_context_text("");
    h.handle(tk_exception("plain text", 0), false);

    ASSERT_EQ(front.shown.size(), 4u);
    EXPECT_EQ(front.shown[0],
              "EMP, record #7: Duplicate field values being used for an unique index were found. See "
              "'Troubleshooting' article of the product documentation for solution.");
    EXPECT_EQ(front.shown[1], "Invalid user name or password.");
    EXPECT_EQ(front.shown[2], "DEPT: Unknown column 'x'");
    EXPECT_EQ(front.shown[3], "plain text");
}

TEST(ErrorHandler, LongQueryNameContextIsKeptWhole) {
    test_front front(qrn_program::console);
    error_handler h(front, 12, qrn_oracle_errors().data());
    const compat::wstring name(400, u'Q');
    h.set_context(name, 123456);
    EXPECT_EQ(h.context(), std::string(400, 'Q') + ", record #123456");
}

TEST(ErrorHandler, KeepsTheFirstTwentyMessagesAndHandsEveryOneToTheFrontEnd) {
    test_front front(qrn_program::wizard);
    error_handler h(front, 12, qrn_oracle_errors().data());
    for (int i = 1; i <= 21; ++i) h.handle(tk_exception("e" + std::to_string(i), 0), true);
    EXPECT_EQ(front.asked.size(), 21u);  // every one shown
    ASSERT_EQ(h.kept_errors().size(), 20u);
    EXPECT_EQ(h.kept_errors().back(), "e20");
    ASSERT_EQ(front.kept.size(), 21u);
    EXPECT_EQ(front.kept.back(), "e21");
}

// After twenty earlier errors, whatever the silent flag: the error that ends the run, or
// the work at the top, is marked so, and only that one.
TEST(ErrorHandler, TheErrorThatEndsTheRunIsMarkedWhateverCameBefore) {
    struct row {
        int level;
        bool at_top, silent, abort;
        bool throws, ends;
    } rows[] = {
        {0, false, false, false, false, false},  // Continue
        {0, false, false, true, true, true},     // Abort
        {0, false, true, false, false, false},   // silent: the run goes on
        {0, true, false, true, false, true},     // at the top the work ends anyway
        {0, true, true, false, false, true},
        {1, false, true, false, true, true},  // silent: not shown, yet it stops the run
        {1, false, false, false, true, true},
        {1, true, false, false, false, true},
    };
    for (const row& r : rows) {
        test_front front(qrn_program::wizard);
        error_handler h(front, 12, qrn_oracle_errors().data());
        front.answer.dont_show_again = true;
        for (int i = 1; i <= 20; ++i) h.handle(tk_exception("earlier", 0), false);
        h.set_silent(r.silent);
        front.answer = {r.abort, false};
        bool threw = false;
        try {
            h.handle(tk_exception("last", r.level), r.at_top);
        } catch (const tk_final_exception&) {
            threw = true;
        }
        SCOPED_TRACE(testing::Message() << "level " << r.level << " top " << r.at_top << " silent " << r.silent);
        EXPECT_EQ(threw, r.throws);
        ASSERT_EQ(front.kept.size(), 21u);
        EXPECT_EQ(front.kept.back(), "last");
        EXPECT_EQ(front.ending, r.ends ? std::vector<std::string>{"last"} : std::vector<std::string>{});
    }
}

TEST(ErrorHandler, DoNotShowAgainSilencesLaterDialogs) {
    test_front front(qrn_program::wizard);
    error_handler h(front, 12, qrn_oracle_errors().data());
    front.answer.dont_show_again = true;
    h.handle(tk_exception("a", 0), false);
    EXPECT_TRUE(h.is_silent());
    h.handle(tk_exception("b", 0), false);
    EXPECT_THROW(h.handle(tk_exception("c", 1), false), tk_final_exception);  // stops all the same
    EXPECT_EQ(front.asked.size(), 1u);
    EXPECT_TRUE(front.shown.empty());
}

TEST(ErrorHandler, RefusedTcpConnectGetsTheConnectAdvice) {
    // Connector/C gives 2002 where older clients gave 2003 for the same refusal.
    test_front front(qrn_program::console);
    error_handler h(front, 12, qrn_oracle_errors().data());
    h.load_err_map(static_cast<int>(qrn_mysql_errors().size()), qrn_mysql_errors().data());
    h.set_context_text("");
    h.handle(sql_exception("Can't connect to server on '127.0.0.1' (115)", 2002), false);
    h.handle(sql_exception("Can't connect to MySQL server on 'x'", 2003), false);
    ASSERT_EQ(front.shown.size(), 2u);
    EXPECT_EQ(front.shown[0], front.shown[1]);
    EXPECT_EQ(front.shown[0].find("(115)"), std::string::npos);
}

// A server lost mid-run: 2006 names both of its causes, 2013 gets advice of its own; both
// programs show these texts.
TEST(ErrorHandler, LostServerErrorsNameWhatTheUserCanDo) {
    struct row {
        unsigned mysql_errno;
        const char* library_text;
        const char* shown;
    } rows[] = {
        {2006, "Server has gone away",
         "BIG: The MySQL server has gone away: it stopped, or a transferred value was bigger than its "
         "max_allowed_packet. Check that the server is running; if it is, increase max_allowed_packet and try "
         "again. See 'Troubleshooting' article of the product documentation."},
        {2013, "Lost connection to server during query",
         "BIG: Lost connection to the MySQL server. Check that the server is running and can be reached, then try "
         "again. See 'Troubleshooting' article of the product documentation."},
    };
    for (qrn_program program : {qrn_program::console, qrn_program::wizard}) {
        test_front front(program);
        error_handler h(front, 12, qrn_oracle_errors().data());
        h.load_err_map(static_cast<int>(qrn_mysql_errors().size()), qrn_mysql_errors().data());
        h.set_silent(false);
        for (const row& r : rows) {
            h.set_context(u"BIG");
            try {
                h.handle(sql_exception(r.library_text, r.mysql_errno), true);
            } catch (const test_exit&) {
            }
        }
        const std::vector<std::string>& seen = program == qrn_program::console ? front.shown : front.asked;
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen[0], rows[0].shown);
        EXPECT_EQ(seen[1], rows[1].shown);
    }
}
