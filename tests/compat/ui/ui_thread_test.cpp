// Work handed to the user-interface thread from other threads: message boxes, dialogs
// ended by a worker (also before they appear), timers started by a worker.
#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <thread>

#include "compat/ui/ui.h"
#include "tests/support/ui_driver.h"

namespace ui = compat::ui;

namespace {

class wait_box : public ui::dialog {
protected:
    void build() override { add_text(1301, u"Working..."); }
};

}  // namespace

TEST(UiThreads, MessageBoxFromAWorkerShowsOnTheUiThreadWithItsLook) {
    test_support::box_answerer answers({QMessageBox::No});
    int answer = 0;
    std::thread worker([&] {
        answer = ui::message_box(nullptr, u"Go on?", u"Tool Question", ui::icon::question, ui::box_buttons::yes_no, 1);
    });
    ASSERT_TRUE(test_support::wait_until([&] { return answer != 0; }));
    worker.join();
    EXPECT_EQ(answer, ui::id_no);
    ASSERT_EQ(answers.seen().size(), 1u);
    const auto& box = answers.seen()[0];
    EXPECT_EQ(box.title, "Tool Question");
    EXPECT_EQ(box.text, "Go on?");
    EXPECT_EQ(box.icon, QMessageBox::Question);
    EXPECT_EQ(box.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.default_button, QMessageBox::No);
}

TEST(UiThreads, InvokeRunsOnTheUiThreadAndWaits) {
    QThread* ran_on = nullptr;
    bool ran = false;
    std::thread worker([&] { ran = ui::application::invoke([&] { ran_on = QThread::currentThread(); }); });
    ASSERT_TRUE(test_support::wait_until([&] { return ran; }));
    worker.join();
    EXPECT_EQ(ran_on, QThread::currentThread());
}

TEST(UiThreads, DialogEndedByAWorkerEndsAlsoWhenTheWorkerWasFirst) {
    for (int delay_ms : {0, 50}) {
        wait_box d;
        std::atomic<bool> started{false};
        std::thread worker([&] {
            started = true;
            if (delay_ms) std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
            d.end(7);
        });
        if (delay_ms == 0) {
            while (!started) std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_EQ(d.run_modal(nullptr), 7) << "delay " << delay_ms;
        worker.join();
        EXPECT_FALSE(d.running());
    }
}

TEST(UiThreads, TimerStartedByAWorkerTicksOnTheUiThread) {
    std::atomic<int> ticks{0};
    QThread* tick_thread = nullptr;
    ui::timer t([&] {
        tick_thread = QThread::currentThread();
        ++ticks;
    });
    std::thread worker([&] { t.start(20); });
    worker.join();
    EXPECT_TRUE(t.running());
    ASSERT_TRUE(test_support::wait_until([&] { return ticks >= 3; }));
    EXPECT_EQ(tick_thread, QThread::currentThread());
    std::thread stopper([&] { t.stop(); });
    stopper.join();
    test_support::pump(50);
    const int after = ticks;
    test_support::pump(100);
    EXPECT_EQ(ticks, after) << "stopped from a worker";
}

TEST(UiThreads, EscapeOnADialogIsItsCancelCommand) {
    wait_box d;
    const int result = test_support::run_with([&] { return d.run_modal(nullptr); },
                                              [&] { test_support::key(d.native(), Qt::Key_Escape); });
    EXPECT_EQ(result, ui::id_cancel);
}
