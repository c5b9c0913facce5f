#include "TK/tk_singl.h"

#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "tk_test_util.h"

namespace {

struct handler : singleton<handler> {
    explicit handler(int id) : id(id) {}
    int id;
};

std::string assertion(int line) {
    return "Internal error: \ncode=" + tk_test::hex_of("..\\TK/tk_singl\\" + std::to_string(line));
}

TEST(Singleton, SecondInstanceRaisesAndFirstStaysRegistered) {
    handler first(1);
    EXPECT_EQ(&handler::instance(), &first);
    try {
        handler second(2);
        FAIL() << "no exception";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.level(), 2);
        EXPECT_EQ(e.message(), assertion(35));
    }
    EXPECT_EQ(handler::instance().id, 1);
}

TEST(Singleton, AccessAfterDestructionRaisesUntilRecreated) {
    {
        handler h(1);
        EXPECT_NO_THROW(handler::check());
    }
    EXPECT_EQ(handler::try_get(), nullptr);
    try {
        handler::instance();
        FAIL() << "no exception";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.message(), assertion(59));
    }
    EXPECT_THROW(handler::check(), tk_mail_assertion);
    handler again(3);
    EXPECT_EQ(handler::instance().id, 3);
}

TEST(Singleton, OtherThreadsSeeTheRegisteredInstance) {
    handler h(7);
    std::optional<int> seen;
    std::thread([&] {
        if (handler* p = handler::try_get()) seen = p->id;
    }).join();
    EXPECT_EQ(seen, 7);
}

}  // namespace
