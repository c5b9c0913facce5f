// Without the help file beside the program, help says so and nothing opens.
#include "tests/GUI2/gui_fixture.h"

TEST_F(gui_fixture, MissingHelpFileIsReported) {
    test_support::box_answerer answers;
    wizard_shell::display_help(1012);
    ASSERT_EQ(answers.seen().size(), 1u);
    EXPECT_EQ(answers.seen()[0].text, "Help file does not exist. Reinstall the program.");
    EXPECT_EQ(answers.seen()[0].title, "Error");
    EXPECT_TRUE(opened_urls().empty());
}
