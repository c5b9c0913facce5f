// Controls addressed by id on a real surface: texts, mnemonics, the two check-box modes,
// radio groups that do not disturb each other, sorted lists, fonts, pictures, and
// exceptions of handlers reaching the error sink.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <filesystem>

#include "compat/ui/ui.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_driver.h"

namespace ui = compat::ui;
using test_support::click;

namespace {

class form : public ui::surface {
public:
    std::vector<std::pair<int, ui::notify>> commands;

protected:
    void build() override {
        add_text(100, u"Fixed text");
        add_labeled_edit(101, u"&Server:", 102);
        add_edit(103, ui::edit_password);
        add_check(110, u"&Automatic");
        add_check(111, u"By &command", ui::check_mode::by_command);
        add_radio(120, u"n&ew", 1);
        add_radio(121, u"&old", 1);
        add_radio(122, u"&Windows", 2);
        add_radio(123, u"&Unix", 2);
        add_list(130, true);
        add_label(160, u"");
        add_list(131, false);
        add_button(140, u"&Throw");
        add_progress(150);
    }
    void on_command(int id, ui::notify what) override {
        commands.emplace_back(id, what);
        if (id == 140) throw std::runtime_error("handler failed");
    }
};

}  // namespace

TEST(UiSurface, ControlsByIdKeepTheirTextsAndMnemonics) {
    form f;
    f.native()->show();
    f.set_text(102, u"db.example.org");
    EXPECT_EQ(f.get_text(102), u"db.example.org");
    EXPECT_EQ(f.get_text(102, 4), u"db.e");  // a fixed buffer's limit
    f.set_text(103, u"secret");
    EXPECT_EQ(static_cast<QLineEdit*>(f.control(103))->echoMode(), QLineEdit::Password);
    // The label's mnemonic reaches the edit after it.
    EXPECT_EQ(static_cast<QLabel*>(f.control(101))->buddy(), f.control(102));
    // A label whose text comes later labels the list after it all the same; a fixed text
    // without a mnemonic labels nothing.
    f.set_text(160, u"&Plain list:");
    EXPECT_EQ(static_cast<QLabel*>(f.control(160))->buddy(), f.control(131));
    EXPECT_EQ(static_cast<QLabel*>(f.control(100))->buddy(), nullptr);
    EXPECT_EQ(f.get_text(100), u"Fixed text");
    // A text that looks like markup (a table name with '<') is shown as it stands, tags and
    // all, and a mnemonic label still reaches its edit.
    const char16_t* markup = u"Processing table '<b>T</b>'";
    f.set_text(100, markup);
    auto* fixed = static_cast<QLabel*>(f.control(100));
    EXPECT_GE(fixed->sizeHint().width(), QFontMetrics(fixed->font()).horizontalAdvance(QString::fromUtf16(markup)));
    f.native()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.native()));
    QTest::keyClick(f.native(), Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(f.control(102)->hasFocus());
    EXPECT_THROW(f.get_text(999), std::logic_error);
    f.show(102, false);
    EXPECT_FALSE(f.is_shown(102));
    f.enable(103, false);
    EXPECT_FALSE(f.is_enabled(103));
}

TEST(UiSurface, CheckBoxesToggleByThemselvesOrOnlyByTheirHandler) {
    form f;
    f.native()->show();
    click(f.control(110));
    EXPECT_TRUE(f.is_checked(110));
    click(f.control(111));
    EXPECT_FALSE(f.is_checked(111)) << "a by-command box waits for its handler";
    ASSERT_EQ(f.commands.size(), 2u);
    EXPECT_EQ(f.commands[1], std::make_pair(111, ui::notify::clicked));
    f.set_checked(111, true);
    EXPECT_TRUE(f.is_checked(111));
}

TEST(UiSurface, RadioGroupsExcludeOnlyWithinThemselves) {
    form f;
    f.native()->show();
    f.set_checked(120, true);
    f.set_checked(123, true);
    click(f.control(121));
    EXPECT_TRUE(f.is_checked(121));
    EXPECT_FALSE(f.is_checked(120));
    EXPECT_TRUE(f.is_checked(123)) << "the other group keeps its choice";
    f.set_checked(121, false);  // a group may be cleared on purpose
    EXPECT_FALSE(f.is_checked(121));
    EXPECT_FALSE(f.is_checked(120));
}

TEST(UiSurface, SortedListsIgnoreCaseAndPlainListsKeepOrder) {
    form f;
    f.native()->show();
    for (const char16_t* name : {u"emp", u"DEPT", u"Bonus", u"salgrade"}) {
        f.list_add(130, name);
        f.list_add(131, name);
    }
    std::vector<std::u16string> sorted, plain;
    for (int i = 0; i < f.list_count(130); ++i) sorted.push_back(f.list_entry(130, i));
    for (int i = 0; i < f.list_count(131); ++i) plain.push_back(f.list_entry(131, i));
    EXPECT_EQ(sorted, (std::vector<std::u16string>{u"Bonus", u"DEPT", u"emp", u"salgrade"}));
    EXPECT_EQ(plain, (std::vector<std::u16string>{u"emp", u"DEPT", u"Bonus", u"salgrade"}));
    f.list_set_current(130, 2);
    EXPECT_EQ(f.list_current(130), 2);
    f.list_remove(130, 2);
    EXPECT_EQ(f.list_count(130), 3);
    EXPECT_EQ(f.list_current(130) == 2 ? f.list_entry(130, 2) : u"salgrade", u"salgrade");
    f.list_clear(130);
    EXPECT_EQ(f.list_count(130), 0);
}

TEST(UiSurface, MissingFontFamilyFallsBackToSansSerifAtTheAskedSize) {
    form f;
    f.native()->show();
    f.set_font(100, ui::font_spec{"No Such Family 12345", 10, true});
    const QFont font = f.control(100)->font();
    EXPECT_TRUE(font.bold());
    EXPECT_EQ(font.pointSize(), 10);
    EXPECT_NE(font.family().toStdString(), "No Such Family 12345");
}

TEST(UiSurface, ExceptionsOfHandlersGoToTheErrorSink) {
    std::vector<std::string> caught;
    form f;
    {
        const test_support::caught_errors errors;
        f.native()->show();
        click(f.control(140));
        caught = errors.texts();
    }
    EXPECT_EQ(caught, std::vector<std::string>{"handler failed"});
    EXPECT_TRUE(f.native()->isVisible()) << "the window survives the failed handler";
}

TEST(UiSurface, PicturesAndScreenshotsSaveAsPng) {
    ui::image picture(16, 16);
    {
        ui::canvas c(picture);
        c.fill(0xff0000);
    }
    EXPECT_EQ(picture.pixel(3, 3), 0xffff0000u);
    form f;
    f.native()->resize(300, 200);
    f.native()->show();
    f.set_position(150, 40);
    EXPECT_EQ(f.position(150), 40);
    const ui::image shot = ui::grab(f.native());
    ASSERT_FALSE(shot.empty());
    const test_support::temp_dir dir("ui-surface");
    const std::string path = dir.file("shot.png");
    ASSERT_TRUE(shot.save_png(path));
    EXPECT_GT(std::filesystem::file_size(path), 100u);
}
