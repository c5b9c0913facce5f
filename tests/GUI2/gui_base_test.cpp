// The page base and the shell with real widgets: buttons by page kind, the caption set once,
// the Cancel question, the control helpers, message-box captions before and after the
// shell shows, the kept errors, the progress timer, handlers that throw, and help topics.
#include <QCheckBox>
#include <QLineEdit>
#include <cstdlib>
#include <filesystem>

#include "GUI2/g_wiz_pg.h"
#include "TK/tk_excep.h"
#include "tests/GUI2/gui_fixture.h"
#include "tests/support/files.h"

namespace ui = compat::ui;
using test_support::box_answerer;
using test_support::click;

namespace {

class test_page : public wizard_page {
public:
    test_page(int id, wizard_page_kind kind, int topic) : wizard_page(id, kind, u"Step", u"Sub"), topic_(topic) {}
    int next = 0;
    int ticks = 0;
    bool throw_on_next = false;

    int on_next() override {
        if (throw_on_next) throw tk_exception("Next failed", 1);
        return next;
    }
    void display_help() override { wizard_shell::display_help(topic_); }
    void on_timer(int id) override {
        if (id == wizard_shell::progress_timer_id) ++ticks;
    }

protected:
    void build() override {
        add_text(1337, u"Welcome");
        add_check(1202, u"&Lock", ui::check_mode::by_command);
        add_labeled_edit(0, u"&Host:", 1014);
        add_list(1317, true);
    }
    void on_command(int id, ui::notify what) override {
        if (id == 1202 && what == ui::notify::clicked) invert_chbox(1202);
    }

private:
    int topic_;
};

class WizardBase : public gui_fixture {};

}  // namespace

TEST_F(WizardBase, ButtonsFollowThePageKindAndTheCaptionIsSetOnce) {
    test_page welcome(103, wizard_page_kind::welcome, 1014), inner(104, wizard_page_kind::interior, 1012),
        last(116, wizard_page_kind::finish, 0);
    for (auto* p : {&welcome, &inner, &last}) shell_->add_page(*p);
    struct state {
        bool back, next_shown, finish_shown;
    };
    std::vector<state> states;
    bool initialized_before = true;
    std::string caption;
    initialized_before = wizard_shell::is_initialized();
    const int result = run_sheet([&] {
        auto note = [&] {
            states.push_back({sheet_button(ui::id_back)->isEnabled(), !sheet_button(ui::id_next)->isHidden(),
                              !sheet_button(ui::id_finish)->isHidden()});
        };
        note();
        caption = shell_->sheet().native()->windowTitle().toStdString();
        click(sheet_button(ui::id_next));
        note();
        click(sheet_button(ui::id_next));
        note();
        click(sheet_button(ui::id_finish));
    });
    EXPECT_FALSE(initialized_before);
    EXPECT_TRUE(wizard_shell::is_initialized());
    EXPECT_EQ(caption, "Marrowgate Test");
    ASSERT_EQ(states.size(), 3u);
    EXPECT_FALSE(states[0].back);  // welcome: Next only
    EXPECT_TRUE(states[0].next_shown);
    EXPECT_TRUE(states[1].back);  // interior: Back and Next
    EXPECT_TRUE(states[1].next_shown);
    EXPECT_TRUE(states[2].finish_shown);  // finish page: Finish
    EXPECT_FALSE(states[2].next_shown);
    EXPECT_EQ(result, 1);
}

TEST_F(WizardBase, CancelAsksAndNoKeepsTheWizardOpen) {
    test_page inner(104, wizard_page_kind::interior, 1012);
    shell_->add_page(inner);
    box_answerer answers({QMessageBox::No, QMessageBox::Yes});
    bool open_after_no = false;
    const int result = run_sheet([&] {
        click(sheet_button(ui::id_cancel));
        open_after_no = shell_->sheet().running();
        click(sheet_button(ui::id_cancel));
    });
    EXPECT_TRUE(open_after_no);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(answers.seen().size(), 2u);
    EXPECT_EQ(answers.seen()[0].text, "Are you sure you want to exit the wizard?");
    EXPECT_EQ(answers.seen()[0].title, "Marrowgate Test Question");
    EXPECT_EQ(answers.seen()[0].icon, QMessageBox::Question);
    EXPECT_EQ(answers.seen()[0].default_button, QMessageBox::No);
}

TEST_F(WizardBase, ControlHelpersToggleEnableShowAndFindEntries) {
    test_page p(104, wizard_page_kind::interior, 1012);
    p.native()->show();
    click(p.control(1202));
    EXPECT_TRUE(p.is_checked(1202)) << "the click toggles through invert_chbox, once";
    EXPECT_FALSE(p.invert_chbox(1202));
    p.enable_ctrl(1014, false);
    EXPECT_FALSE(p.is_enabled(1014));
    p.enable_ctrl(1014, true);
    EXPECT_TRUE(p.is_enabled(1014));
    EXPECT_TRUE(test_support::wait_until([&] { return p.control(1014)->hasFocus(); }, 1000))
        << "enabling gives the focus";
    p.show_ctrl(1014, false);
    EXPECT_FALSE(p.is_shown(1014));
    p.list_add(1317, u"EMP");
    p.list_add(1317, u"Dept");
    EXPECT_FALSE(p.not_in_list(u"emp", 1317));
    EXPECT_FALSE(p.not_in_list(u"DEPT", 1317));
    EXPECT_TRUE(p.not_in_list(u"EMP2", 1317));
    p.set_title_font(1337);
    EXPECT_TRUE(p.control(1337)->font().bold());
    EXPECT_EQ(p.control(1337)->font().pointSize(), 10);
    // Texts are read whole, never cut at a buffer's length.
    p.set_text(1014, std::u16string(300, u'h'));
    EXPECT_EQ(p.get_narrow(1014), std::string(300, 'h'));
    EXPECT_EQ(p.get_wide(1014), std::u16string(300, u'h'));
    p.list_add(1317, std::u16string(300, u'x'));
    EXPECT_TRUE(p.not_in_list(std::u16string(259, u'x'), 1317)) << "a name is compared whole";
    EXPECT_FALSE(p.not_in_list(std::u16string(300, u'X'), 1317));
}

TEST_F(WizardBase, BoxesSayErrorBeforeTheShellShowsAndTheTitleAfter) {
    box_answerer answers;
    wizard_shell::error(std::string("first"));
    wizard_shell::message(u"note");
    test_page inner(104, wizard_page_kind::interior, 1012);
    shell_->add_page(inner);
    run_sheet([&] {
        wizard_shell::error(std::string("second"));
        wizard_shell::message(u"later");
        shell_->sheet().close();
    });
    ASSERT_EQ(answers.seen().size(), 4u);
    EXPECT_EQ(answers.seen()[0].title, "Error");
    EXPECT_EQ(answers.seen()[0].icon, QMessageBox::Critical);
    EXPECT_EQ(answers.seen()[1].title, "Message");
    EXPECT_EQ(answers.seen()[1].icon, QMessageBox::Information);
    EXPECT_EQ(answers.seen()[2].title, "Marrowgate Test Error");
    EXPECT_EQ(answers.seen()[2].text, "second");
    EXPECT_EQ(answers.seen()[3].title, "Marrowgate Test Message");
}

// The first twenty are kept, the later ones counted, and one of them that ended the run
// kept as well.
TEST_F(WizardBase, TheFirstTwentyErrorsAreKeptAndLaterTheOneThatEndedTheRun) {
    struct row {
        int count, ending_at;
        size_t not_listed;
        std::string ending;
    } rows[] = {
        {25, 0, 5, ""},
        {25, 23, 4, "error 23"},
        {20, 20, 0, ""},  // among the first, listed there
        {21, 21, 0, "error 21"},
    };
    for (const row& r : rows) {
        shell_.reset();
        shell_ = std::make_unique<wizard_shell>(u"Marrowgate Test", 0, 0, 0);
        for (int i = 1; i <= r.count; ++i) front_.keep_error("error " + std::to_string(i), i == r.ending_at);
        const wizard_shell::error_record kept = shell_->error_list();
        SCOPED_TRACE(r.count);
        ASSERT_EQ(kept.first.size(), 20u);
        EXPECT_EQ(kept.first.front(), "error 1");
        EXPECT_EQ(kept.first.back(), "error 20");
        EXPECT_EQ(kept.not_listed, r.not_listed);
        EXPECT_EQ(kept.ending, r.ending);
    }
}

TEST_F(WizardBase, RunStartStartsTheProgressTimerWhoseTicksReachTheCurrentPage) {
    test_page inner(107, wizard_page_kind::interior, 0);
    shell_->add_page(inner);
    bool second_start_asserts = false;
    run_sheet([&] {
        std::thread run([&] { front_.run_started(); });  // the conversion thread
        run.join();
        try {
            shell_->start_timer(200);
        } catch (const tk_mail_assertion&) {
            second_start_asserts = true;
        }
        test_support::wait_until([&] { return inner.ticks >= 2; }, 3000);
        shell_->kill_timer();
        shell_->sheet().close();
    });
    EXPECT_TRUE(second_start_asserts);
    EXPECT_GE(inner.ticks, 2);
    EXPECT_FALSE(shell_->timer_running());
}

TEST_F(WizardBase, AnExceptionOfAHandlerIsReportedAndThePageStays) {
    test_page a(103, wizard_page_kind::welcome, 1014), b(104, wizard_page_kind::interior, 1012);
    shell_->add_page(a);
    shell_->add_page(b);
    a.throw_on_next = true;
    box_answerer answers;
    int current = 0;
    run_sheet([&] {
        click(sheet_button(ui::id_next));
        current = shell_->sheet().current()->dialog_id();
        shell_->sheet().close();
    });
    EXPECT_EQ(current, 103);
    ASSERT_EQ(answers.seen().size(), 1u);
    EXPECT_EQ(answers.seen()[0].text, "Next failed");
    EXPECT_EQ(answers.seen()[0].title, "Marrowgate Test Error");
}

TEST_F(WizardBase, HelpButtonAndF1OpenThePagesTopicInTheHelpFile) {
    test_page inner(104, wizard_page_kind::interior, 1012);
    shell_->add_page(inner);
    run_sheet([&] {
        click(sheet_button(ui::id_help));
        EXPECT_TRUE(wait_for_urls(1));
        test_support::key(inner.control(1014), Qt::Key_F1);
        EXPECT_TRUE(wait_for_urls(2));
        wizard_shell::display_help();
        shell_->sheet().close();
    });
    const std::string file = "file://" + wizard_shell::help_file();
    ASSERT_TRUE(test_support::wait_until([&] { return opened_urls().size() == 3; }, 10000));
    EXPECT_EQ(opened_urls(), (std::vector<std::string>{file + "#topic-1012", file + "#topic-1012", file}));
}

// Help that no program can open says so and names the file, so that the user can open it
// by hand: the launcher gives up (no browser: xdg-open's status 3), or there is none at all.
// A launcher that opens it leaves the user alone.
TEST_F(WizardBase, HelpThatNoProgramOpensIsReportedWithTheHelpFilesPath) {
    struct row {
        const char* name;
        const char* launcher;  // nullptr: no launcher on PATH
        bool reported;
    };
    const row rows[] = {
        {"no browser", "#!/bin/sh\nexit 3\n", true},
        {"no launcher", nullptr, true},
        {"opened", "#!/bin/sh\nexit 0\n", false},
    };
    test_page inner(104, wizard_page_kind::interior, 1012);
    shell_->add_page(inner);
    const std::string script = launcher_dir_.file("xdg-open");
    const std::string saved_path = std::getenv("PATH");
    setenv("PATH", launcher_dir_.path().c_str(), 1);
    run_sheet([&] {
        for (const row& r : rows) {
            SCOPED_TRACE(r.name);
            std::filesystem::remove(script);
            if (r.launcher) {
                test_support::write_file(script, r.launcher);
                std::filesystem::permissions(script, std::filesystem::perms::owner_all);
            }
            box_answerer answers;
            click(sheet_button(ui::id_help));
            const bool reported =
                test_support::wait_until([&] { return !answers.seen().empty(); }, r.reported ? 10000 : 1500);
            EXPECT_EQ(reported, r.reported);
            if (!reported) continue;
            EXPECT_EQ(answers.seen().size(), 1u);
            EXPECT_EQ(answers.seen()[0].text,
                      "No program could open the help. Open this file in a web browser:\n" + wizard_shell::help_file());
            EXPECT_EQ(answers.seen()[0].title, "Marrowgate Test Error");
        }
        shell_->sheet().close();
    });
    setenv("PATH", saved_path.c_str(), 1);
}
