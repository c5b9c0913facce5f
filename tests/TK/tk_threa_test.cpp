#include "TK/tk_threa.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/stat.h>

#include <functional>
#include <stdexcept>
#include <thread>

#include "TK/tk_errco.h"
#include "TK/tk_excep.h"
#include "TK/tk_log.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tk_test_util.h"

namespace {

// Done after a fixed number of steps.
struct counting : tk_functor {
    explicit counting(int steps) : limit(steps) {}
    bool done() override { return steps >= limit; }
    void step() override { ++steps; }
    void finish() override { ++finishes; }
    int limit;
    std::atomic<int> steps{0};
    std::atomic<int> finishes{0};
};

// Runs until it is asked to stop; tells whether its loop ended.
struct until_stopped : tk_functor {
    void step() override {
        started = true;
        while (!wait_for_stop(std::chrono::milliseconds(1000))) {
        }
    }
    void finish() override { finished = true; }
    std::atomic<bool> started{false}, finished{false};
};

template <class F>
struct runner : tk_thread {
    explicit runner(F& f) : f(f) {}
    ~runner() override = default;
    tk_functor* get_functor() override { return &f; }
    F& f;
};

void expect_line(const tk_mail_assertion& e, int line) {
    EXPECT_EQ(e.message(), "Internal error: \ncode=" + tk_test::hex_of("tk_threa\\" + std::to_string(line)));
}

TEST(Functor, StepsUntilDoneThenFinishesOnce) {
    counting three(3);
    three();
    EXPECT_EQ(three.steps, 3);
    EXPECT_EQ(three.finishes, 1);
    counting none(0);
    none();
    EXPECT_EQ(none.steps, 0);
    EXPECT_EQ(none.finishes, 1);
    counting stopped(3);
    stopped.request_stop();
    stopped();
    EXPECT_EQ(stopped.steps, 0);
    EXPECT_EQ(stopped.finishes, 0);
}

TEST(Thread, StartWaitAndRestart) {
    counting work(5);
    runner<counting> t(work);
    EXPECT_FALSE(t.is_running());
    t.start();
    t.wait();
    EXPECT_FALSE(t.is_running());
    EXPECT_EQ(work.steps, 5);
    EXPECT_EQ(work.finishes, 1);
    work.limit = 7;
    t.start();  // cleans up the returned thread first
    t.wait();
    EXPECT_EQ(work.steps, 7);
    EXPECT_EQ(work.finishes, 2);
}

TEST(Thread, TerminateStopsARunningRunnable) {
    until_stopped work;
    runner<until_stopped> t(work);
    t.start();
    EXPECT_TRUE(t.is_running());
    try {
        t.start();
        FAIL() << "no exception";
    } catch (const tk_mail_assertion& e) {
        expect_line(e, 92);
    }
    try {
        t.cleanup();
        FAIL() << "no exception";
    } catch (const tk_mail_assertion& e) {
        expect_line(e, 71);
    }
    t.terminate();
    EXPECT_FALSE(t.is_running());
    EXPECT_FALSE(work.finished);  // a stop does not run finish()
    try {
        t.terminate();
        FAIL() << "no exception";
    } catch (const tk_mail_assertion& e) {
        expect_line(e, 55);
    }
    // The stop request is cleared for the next run.
    t.start();
    EXPECT_TRUE(t.is_running());
    t.terminate();
}

TEST(Thread, DestructorStopsTheRunnableAndDefaultFunctorIdles) {
    until_stopped work;
    {
        runner<until_stopped> t(work);
        t.start();
    }
    EXPECT_TRUE(work.stop_requested());
    tk_thread idle;
    idle.start();
    EXPECT_TRUE(idle.is_running());
    idle.terminate();
    EXPECT_FALSE(idle.is_running());
}

// Fails in its first step, at once or once a stop is requested; or counts its steps.
struct failing : tk_functor {
    void step() override {
        started = true;
        if (!fail) return;
        if (at_stop)
            while (!wait_for_stop(std::chrono::milliseconds(1000))) {
            }
        throw std::runtime_error("step failed");
    }
    bool done() override { return !fail && ++steps > 1; }
    bool fail = true;
    bool at_stop = false;
    std::atomic<bool> started{false};
    std::atomic<int> steps{0};
};

void wait_until_returned(const tk_thread& t) {
    while (t.is_running()) std::this_thread::yield();
}

// The runnable's exception ends its thread, not the process, and reaches the call that
// joins the thread, once; the object then runs again.
TEST(Thread, AnExceptionOfTheRunnableReachesTheJoiningCall) {
    struct Case {
        const char* how;
        bool at_stop;
        std::function<void(tk_thread&, const failing&)> join;
    };
    const Case cases[] = {
        {"wait", false, [](tk_thread& t, const failing&) { t.wait(); }},
        {"terminate", true,
         [](tk_thread& t, const failing& work) {
             while (!work.started) std::this_thread::yield();
             t.terminate();
         }},
        {"cleanup", false,
         [](tk_thread& t, const failing&) {
             wait_until_returned(t);
             t.cleanup();
         }},
        {"start again", false,
         [](tk_thread& t, const failing&) {
             wait_until_returned(t);
             t.start();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        failing work;
        work.at_stop = c.at_stop;
        runner<failing> t(work);
        t.start();
        try {
            c.join(t, work);
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "step failed");
        }
        EXPECT_FALSE(t.is_running());
        EXPECT_NO_THROW(t.cleanup());  // raised once
        work.fail = false;
        t.start();
        t.wait();
        EXPECT_EQ(work.steps, 2);
    }
}

// Nobody joins: the destructor cannot raise the error and writes it to the log instead.
TEST(Thread, AnUncollectedExceptionIsLogged) {
    test_support::temp_dir dir;
    const std::string path = dir.file("run.log");
    tk_log log(path, true, 3, false);
    struct throws_int : tk_functor {
        void step() override { throw 42; }
    } work;
    {
        runner<throws_int> t(work);
        t.start();
        wait_until_returned(t);
    }
    EXPECT_EQ(test_support::read_file(path),
              "A worker thread ended with an error that nobody collected: an exception of an unknown type\r\n");
}

TEST(Thread, NullRunnableIsAnInternalError) {
    struct empty : tk_thread {
        tk_functor* get_functor() override { return nullptr; }
    } t;
    try {
        t.start();
        FAIL() << "no exception";
    } catch (const tk_mail_assertion& e) {
        expect_line(e, 105);
    }
}

TEST(Thread, ThreadThatCannotStartRaisesLevelOne) {
    pthread_attr_t saved, huge;
    ASSERT_EQ(pthread_getattr_default_np(&saved), 0);
    ASSERT_EQ(pthread_attr_init(&huge), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&huge, size_t{1} << 46), 0);  // 64 TiB: no mapping fits
    ASSERT_EQ(pthread_setattr_default_np(&huge), 0);
    counting work(1);
    runner<counting> t(work);
    int level = -1;
    try {
        t.start();
    } catch (const tk_exception& e) {
        level = e.level();
    }
    pthread_setattr_default_np(&saved);
    pthread_attr_destroy(&huge);
    pthread_attr_destroy(&saved);
    EXPECT_EQ(level, 1);
    EXPECT_FALSE(t.is_running());
    t.start();  // nothing left behind
    t.wait();
    EXPECT_EQ(work.steps, 1);
}

class LogfileTest : public ::testing::Test {
protected:
    test_support::temp_dir dir_;
    tk_converter conv_;
};

TEST_F(LogfileTest, GoodPathSwitchesTheLogOn) {
    tk_log log(nullptr, false, 3, false);
    std::string path = dir_.file("run.log");
    test_support::write_file(path, "old");
    conv_.set_logfile(path);
    EXPECT_EQ(conv_.log_file(), path);
    EXPECT_TRUE(log.is_enabled());
    EXPECT_EQ(log.file(), path);
    tk_log::log(3, "first");
    EXPECT_EQ(test_support::read_file(path), "first\r\n");
}

TEST_F(LogfileTest, EmptyPathLeavesTheLogAlone) {
    tk_log log(nullptr, false, 3, false);
    const std::string before = log.file();
    conv_.set_logfile("");
    EXPECT_EQ(conv_.log_file(), "");
    EXPECT_FALSE(log.is_enabled());
    EXPECT_EQ(log.file(), before);
}

TEST_F(LogfileTest, BadPathsRaiseLevelOneAndChangeNothing) {
    tk_log log(nullptr, false, 3, false);
    std::string ro = dir_.file("ro.log");
    test_support::write_file(ro, "x");
    ASSERT_EQ(::chmod(ro.c_str(), 0444), 0);
    struct Case {
        std::string path;
        int message;
    };
    const Case cases[] = {
        {ro, TK_MSG_LOGFILE_READ_ONLY},
        {dir_.file("missing/run.log"), TK_MSG_LOGFILE_NO_PATH},
        {dir_.path(), TK_MSG_LOGFILE_NO_PATH},
        {dir_.path() + "/", TK_MSG_LOGFILE_NO_PATH},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        try {
            conv_.set_logfile(c.path);
            ADD_FAILURE() << "no exception";
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.level(), 1);
            EXPECT_STREQ(e.what(), tk_message(c.message));
        }
        EXPECT_EQ(conv_.log_file(), "");
        EXPECT_FALSE(log.is_enabled());
    }
}

TEST_F(LogfileTest, WithoutALogThePathIsStored) {
    std::string path = dir_.file("run.log");
    conv_.set_logfile(path);
    EXPECT_EQ(conv_.log_file(), path);
    EXPECT_EQ(tk_log::try_get(), nullptr);
}

TEST(Converter, FlagsAndNames) {
    tk_converter c;
    EXPECT_FALSE(c.is_finished());
    EXPECT_FALSE(c.is_silent());
    tk_converter& base = c;
    base.set_silent(true);
    EXPECT_TRUE(c.is_silent());
    c.set_source_name(u"ORCL");
    c.set_destination_name(u"dump.sql");
    EXPECT_EQ(c.source_name(), u"ORCL");
    EXPECT_EQ(c.destination_name(), u"dump.sql");
}

}  // namespace
