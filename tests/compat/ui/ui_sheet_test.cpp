// The wizard sheet's navigation and buttons, driven through the real button widgets.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QStackedWidget>
#include <map>
#include <stdexcept>

#include "compat/ui/ui.h"
#include "tests/support/ui_driver.h"

namespace ui = compat::ui;
using test_support::click;

namespace {

// A page whose answers the test sets; it records what the sheet asked.
class scripted_page : public ui::page {
public:
    scripted_page(int id, int style = ui::page_has_help)
        : page(id, u"Title " + std::u16string(1, u'0' + id % 10), u"Sub", style) {}
    int next = 0, back = 0;
    bool show_me = true, may_leave = true, may_cancel = true;
    // Activation sets the page's buttons and then fails, as a page that cannot be filled.
    int fail_with_buttons = -1;
    int helps = 0, activations = 0;

    bool on_set_active() override {
        ++activations;
        if (fail_with_buttons >= 0) {
            owner_sheet()->set_buttons(fail_with_buttons);
            throw std::runtime_error("cannot fill page " + std::to_string(dialog_id()));
        }
        return show_me;
    }
    bool on_kill_active() override { return may_leave; }
    int on_wizard_next() override { return next; }
    int on_wizard_back() override { return back; }
    bool on_query_cancel() override { return may_cancel; }
    void on_help() override { ++helps; }

protected:
    void build() override { add_edit(1000 + dialog_id()); }
};

QPushButton* button(ui::sheet& s, int id) { return s.native()->findChild<QPushButton*>(QString::number(id)); }

int current_id(ui::sheet& s) { return s.current() ? s.current()->dialog_id() : 0; }

}  // namespace

TEST(UiSheet, NextAndBackFollowNeighboursIdsAndStay) {
    scripted_page a(101), b(102), c(103), d(104);
    ui::sheet s;
    for (auto* p : {&a, &b, &c, &d}) s.add_page(*p);
    std::vector<int> visited;
    const int result = test_support::run_with([&] { return s.run_modal(nullptr); },
                                              [&] {
                                                  s.set_buttons(ui::button_back | ui::button_next);
                                                  visited.push_back(current_id(s));
                                                  click(button(s, ui::id_next));  // 0: neighbour
                                                  visited.push_back(current_id(s));
                                                  b.next = 104;  // an id jumps
                                                  click(button(s, ui::id_next));
                                                  visited.push_back(current_id(s));
                                                  d.back = -1;  // stays
                                                  click(button(s, ui::id_back));
                                                  visited.push_back(current_id(s));
                                                  d.back = 0;  // the previous neighbour
                                                  click(button(s, ui::id_back));
                                                  visited.push_back(current_id(s));
                                                  c.may_leave = false;  // the page refuses to go
                                                  click(button(s, ui::id_next));
                                                  visited.push_back(current_id(s));
                                                  s.close();
                                              });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(visited, (std::vector<int>{101, 102, 104, 104, 103, 103}));
}

TEST(UiSheet, PagesThatRefuseActivationArePassedOverInTheDirectionOfTravel) {
    scripted_page a(101), b(102), c(103);
    b.show_me = false;
    ui::sheet s;
    for (auto* p : {&a, &b, &c}) s.add_page(*p);
    std::vector<int> visited;
    test_support::run_with([&] { return s.run_modal(nullptr); },
                           [&] {
                               s.set_buttons(ui::button_back | ui::button_next);
                               click(button(s, ui::id_next));
                               visited.push_back(current_id(s));
                               click(button(s, ui::id_back));
                               visited.push_back(current_id(s));
                               s.close();
                           });
    EXPECT_EQ(visited, (std::vector<int>{103, 101}));
}

TEST(UiSheet, ButtonsFollowTheFlagsAndFinishEndsWithOne) {
    scripted_page a(101), b(116, ui::page_hide_header);
    ui::sheet s;
    s.add_page(a);
    s.add_page(b);
    bool back_enabled = true, next_hidden = false, help_hidden = false;
    const int result = test_support::run_with([&] { return s.run_modal(nullptr); },
                                              [&] {
                                                  s.set_buttons(ui::button_next);
                                                  back_enabled = button(s, ui::id_back)->isEnabled();
                                                  click(button(s, ui::id_next));
                                                  s.set_buttons(ui::button_finish);
                                                  next_hidden = button(s, ui::id_next)->isHidden();
                                                  help_hidden = button(s, ui::id_help)->isHidden();
                                                  click(button(s, ui::id_finish));
                                              });
    EXPECT_FALSE(back_enabled);
    EXPECT_TRUE(next_hidden);
    EXPECT_TRUE(help_hidden) << "a page without help has no Help button";
    EXPECT_EQ(result, 1);
}

TEST(UiSheet, CancelEscapeAndHelpGoToThePage) {
    scripted_page a(101);
    a.may_cancel = false;
    ui::sheet s;
    s.add_page(a);
    bool still_running = false;
    const int result = test_support::run_with([&] { return s.run_modal(nullptr); },
                                              [&] {
                                                  click(button(s, ui::id_cancel));
                                                  test_support::key(s.native(), Qt::Key_Escape);
                                                  still_running = s.running();
                                                  test_support::key(a.control(1101), Qt::Key_F1);
                                                  click(button(s, ui::id_help));
                                                  a.may_cancel = true;
                                                  test_support::key(s.native(), Qt::Key_Escape);
                                              });
    EXPECT_TRUE(still_running);
    EXPECT_EQ(a.helps, 2) << "F1 and the Help button both reach the page";
    EXPECT_EQ(result, 0);
}

TEST(UiSheet, SelectPageAndTimerTicksReachTheCurrentPage) {
    struct ticking : scripted_page {
        using scripted_page::scripted_page;
        int ticks = 0;
        void on_timer(int id) override {
            if (id == 0x10000) ++ticks;
        }
    };
    scripted_page a(107);
    ticking b(116);
    ui::sheet s;
    s.add_page(a);
    s.add_page(b);
    test_support::run_with([&] { return s.run_modal(nullptr); },
                           [&] {
                               EXPECT_TRUE(s.select_page(116));
                               s.tick(0x10000);
                               s.close();
                           });
    EXPECT_EQ(b.ticks, 1);
}

TEST(UiSheet, NoShowablePageMeansNoRun) {
    scripted_page a(101);
    a.show_me = false;
    ui::sheet s;
    s.add_page(a);
    EXPECT_EQ(s.run_modal(nullptr), 0);
}

TEST(UiSheet, APageThatCannotBeFilledIsReportedAndNotShownAndTheSheetStays) {
    scripted_page a(101), b(102), c(103);
    b.fail_with_buttons = ui::button_finish;
    ui::sheet s;
    for (auto* p : {&a, &b, &c}) s.add_page(*p);
    const test_support::caught_errors caught;
    struct seen {
        int current;
        bool a_on_screen, b_on_screen, next_shown, next_enabled, finish_shown;
    };
    std::vector<seen> states;
    test_support::run_with(
        [&] { return s.run_modal(nullptr); },
        [&] {
            auto note = [&] {
                states.push_back({current_id(s), a.native()->isVisible(), b.native()->isVisible(),
                                  !button(s, ui::id_next)->isHidden(), button(s, ui::id_next)->isEnabled(),
                                  !button(s, ui::id_finish)->isHidden()});
            };
            s.set_buttons(ui::button_next);
            click(button(s, ui::id_next));  // b fails: not passed over to c
            note();
            EXPECT_FALSE(s.select_page(102));
            note();
            s.close();
        });
    EXPECT_EQ(caught.texts(), (std::vector<std::string>{"cannot fill page 102", "cannot fill page 102"}));
    ASSERT_EQ(states.size(), 2u);
    for (const seen& st : states) {
        EXPECT_EQ(st.current, 101);
        EXPECT_TRUE(st.a_on_screen);
        EXPECT_FALSE(st.b_on_screen) << "a half-filled page stays off the screen";
        EXPECT_TRUE(st.next_shown) << "the buttons stay those of the page shown";
        EXPECT_TRUE(st.next_enabled);
        EXPECT_FALSE(st.finish_shown);
    }
    EXPECT_EQ(c.activations, 0);
}
