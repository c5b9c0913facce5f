// The built marrowgate program as a user starts it: without any display it says so on
// standard error and exits with 255, and its help file stands beside it.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/files.h"
#include "tests/support/proc_run.h"

namespace {
const std::string program = std::string(MG_BINARY_DIR) + "/app/marrowgate";
}

TEST(WizardProgram, WithoutADisplayItFailsToInitializeTheGuiLibrary) {
    test_support::proc_options options;
    options.env = {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}};
    const test_support::proc_result r = test_support::run_process({program}, options);
    EXPECT_EQ(r.code, 255);
    EXPECT_EQ(r.err, "Failed to initialize GUI library\n");
    EXPECT_EQ(r.out, "");
}

TEST(WizardProgram, AnUnreachableDisplayFailsTheSameWay) {
    test_support::proc_options options;
    options.env = {{"DISPLAY", ":97"}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}};
    const test_support::proc_result r = test_support::run_process({program}, options);
    EXPECT_EQ(r.code, 255);
    EXPECT_NE(r.err.find("Failed to initialize GUI library\n"), std::string::npos) << r.err;
}

TEST(WizardProgram, HelpFileStandsBesideTheProgramWithASectionPerTopic) {
    const std::string text = test_support::read_file(program + ".html");
    ASSERT_FALSE(text.empty()) << "no help file beside " << program;
    for (int topic : {1011, 1012, 1013, 1014, 1016, 1017, 1018, 1022, 1024, 1025})
        EXPECT_NE(text.find("id=\"topic-" + std::to_string(topic) + "\""), std::string::npos) << topic;
}
