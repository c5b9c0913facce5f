// The bug report and the clipboard as the internal-error dialog uses them: through a real
// Qt GUI application (offscreen platform), with a stand-in desktop launcher that records
// the URL the mail program would get.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QGuiApplication>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "TK/tk_log.h"
#include "TK/tk_mail.h"
#include "compat/desktop/desktop.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

std::string current_dir() { return std::filesystem::current_path().string(); }

class desktop : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        saved_path_ = qgetenv("PATH");
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    void TearDown() override {
        app_.reset();
        qputenv("PATH", saved_path_);
    }

    // A launcher named like the desktop's that writes its arguments to a file.
    void fake_launcher() {
        const std::string script = dir_.file("xdg-open");
        test_support::write_file(script, "#!/bin/sh\nprintf '%s' \"$*\" > '" + dir_.file("opened.tmp") + "' && mv '" +
                                             dir_.file("opened.tmp") + "' '" + dir_.file("opened") + "'\n");
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        qputenv("PATH", QByteArray::fromStdString(dir_.path() + ":/usr/bin:/bin"));
    }
    std::string wait_opened() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!std::filesystem::exists(dir_.file("opened")) && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return test_support::read_file(dir_.file("opened"));
    }

    test_support::temp_dir dir_;

private:
    int argc_ = 1;
    char name_[16] = "tk_mail_test";
    char* argv_[2] = {name_, nullptr};
    QByteArray saved_path_;
    std::unique_ptr<QGuiApplication> app_;
};

TEST_F(desktop, clipboard_holds_exactly_the_message) {
    const std::string log_path = dir_.file("trace.log");
    tk_log log(log_path.c_str(), true, 1, false);
    const compat::wstring message = u"Internal error:\n\xD83D\xDE00 line 7\r\n\"quoted\"\tand \u00E9";
    tk_copy_to_clipboard2(message);
    EXPECT_EQ(compat::desktop::clipboard_text(), message);
    const std::string trace = test_support::read_file(log_path);
    EXPECT_NE(trace.find("OpenClipboard succeeded"), std::string::npos) << trace;
}

TEST_F(desktop, bug_report_opens_a_new_message_to_support) {
    fake_launcher();
    const std::string log_path = dir_.file("trace.log");
    tk_log log(log_path.c_str(), true, 1, false);
    const std::string before = current_dir();
    tk_send_bug("Marrowgate 5.1", "Internal error at g_wiz_sh line 223\nsee & check 100%?");
    EXPECT_EQ(wait_opened(),
              "mailto:support@marrowgate.example?subject=Bug%20report%20on%20Marrowgate%205.1"
              "&body=Internal%20error%20at%20g_wiz_sh%20line%20223%0Asee%20%26%20check%20100%25%3F");
    EXPECT_EQ(current_dir(), before);
    const std::string trace = test_support::read_file(log_path);
    EXPECT_NE(trace.find("tk_send_bug(Marrowgate 5.1|Internal error"), std::string::npos) << trace;
    EXPECT_NE(trace.find("lpfnMAPISendMail returns 0"), std::string::npos) << trace;
}

TEST_F(desktop, without_a_mail_program_only_the_failure_is_logged) {
    qputenv("PATH", QByteArray::fromStdString(dir_.path()));  // no launcher anywhere
    const std::string log_path = dir_.file("trace.log");
    tk_log log(log_path.c_str(), true, 1, false);
    const std::string before = current_dir();
    tk_send_bug("Marrowgate 5.1", "report");
    EXPECT_EQ(current_dir(), before);
    const std::string trace = test_support::read_file(log_path);
    EXPECT_NE(trace.find("Failed to locate MAPI32.DLL"), std::string::npos) << trace;
    EXPECT_EQ(trace.find("lpfnMAPISendMail"), std::string::npos) << trace;
}

TEST_F(desktop, a_local_file_opens_whatever_its_folder_is_called) {
    // The help file beside a program installed in a folder with a blank, '#' and '%'.
    const std::string folder = dir_.file("My Tools #2 (100%)");
    std::filesystem::create_directories(folder);
    test_support::write_file(folder + "/marrowgate.html", "<html></html>");
    fake_launcher();
    const std::string url = compat::desktop::file_url(folder + "/marrowgate.html", "topic-1012");
    EXPECT_EQ(url, "file://" + dir_.path() + "/My%20Tools%20%232%20(100%25)/marrowgate.html#topic-1012");
    EXPECT_TRUE(compat::desktop::open_url(url));
    EXPECT_EQ(wait_opened(), url);
    EXPECT_EQ(compat::desktop::file_url("/opt/mg/marrowgate.html", ""), "file:///opt/mg/marrowgate.html");
}

TEST(desktop_without_gui, clipboard_and_mail_fail_quietly) {
    test_support::temp_dir dir;
    const std::string log_path = dir.file("trace.log");
    tk_log log(log_path.c_str(), true, 1, false);
    tk_copy_to_clipboard2(u"text");
    tk_send_bug("title", "report");
    EXPECT_EQ(compat::desktop::clipboard_text(), u"");
    const std::string trace = test_support::read_file(log_path);
    EXPECT_NE(trace.find("GetLastError() returns 000005B3"), std::string::npos) << trace;
    EXPECT_NE(trace.find("Failed to locate MAPI32.DLL"), std::string::npos) << trace;
}

TEST(mailto_url, every_text_is_encoded_whole) {
    struct row {
        const char* recipient;
        const char* subject;
        const char* body;
        const char* url;
    } rows[] = {
        {"someone@example.org", "", "", "mailto:someone@example.org?subject=&body="},
        {"mailto:a@b.c", "a=b&c", "x?y#z", "mailto:a@b.c?subject=a%3Db%26c&body=x%3Fy%23z"},
        {"a@b.c", "1+1", "r\xC3\xA9sum\xC3\xA9\r\n", "mailto:a@b.c?subject=1%2B1&body=r%C3%A9sum%C3%A9%0D%0A"},
        {"a@b.c", "keep-._~", "/:;", "mailto:a@b.c?subject=keep-._~&body=%2F%3A%3B"},
    };
    for (const row& r : rows) EXPECT_EQ(compat::desktop::mailto_url(r.recipient, r.subject, r.body), r.url);
}

}  // namespace
