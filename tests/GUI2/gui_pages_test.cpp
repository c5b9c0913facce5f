// The connection, dump-options and destination pages with real widgets, a real converter
// and ocilite stores: the page order both ways on the dump road, Load Settings, the dump
// page's radio groups and boxes, the default destination forms, the dump file's question,
// Oracle connect failures, the wait dialog's animation, and where the keyboard focus goes.
#include <QFileDialog>
#include <QLineEdit>
#include <filesystem>

#include "GUI2/g_art.h"
#include "tests/GUI2/gui_pages.h"
#include "tests/GUI2/wizard_driver.h"
#include "tests/support/files.h"

namespace ui = compat::ui;
namespace fs = std::filesystem;
using test_support::box_answerer;
using test_support::click;

namespace {
class WizardPages : public gui_pages {};
}  // namespace

TEST_F(WizardPages, DumpRoadGoesThroughTheDumpOptionsBothWays) {
    app_test::build_store("PAGESDUMP", pages_schema);
    add_all_pages();
    std::vector<int> visited;
    run_sheet([&] {
        visited.push_back(current_id());
        click(welcome_.control(welcome_page::id_dump));
        next();
        visited.push_back(current_id());
        fill_oracle(u"PAGESDUMP");
        next();  // connects behind the wait dialog
        visited.push_back(current_id());
        next();
        visited.push_back(current_id());
        back();
        visited.push_back(current_id());
        back();
        visited.push_back(current_id());
        back();
        visited.push_back(current_id());
        shell_->sheet().close();
    });
    EXPECT_EQ(visited, (std::vector<int>{103, 104, 102, 106, 102, 104, 103}));
    EXPECT_FALSE(conv_.is_mysql_direct());
    ASSERT_NE(conv_.source_database(), nullptr) << "the connection stays open for the later pages";
}

TEST_F(WizardPages, OracleConnectFailuresShowTheirMessagesAndKeepThePage) {
    app_test::build_store("PAGESFAIL", pages_schema);
    add_all_pages();
    box_answerer answers;
    std::vector<int> stayed;
    run_sheet([&] {
        next();
        fill_oracle(u"");
        next();
        stayed.push_back(current_id());
        fill_oracle(u"PAGESFAIL", u"wrong");
        next();
        stayed.push_back(current_id());
        fill_oracle(u"NOSUCHSTORE");
        next();
        stayed.push_back(current_id());
        shell_->sheet().close();
    });
    EXPECT_EQ(stayed, (std::vector<int>{104, 104, 104}));
    ASSERT_EQ(answers.seen().size(), 3u);
    EXPECT_EQ(answers.seen()[0].text, "You should enter Oracle database name");
    EXPECT_EQ(answers.seen()[0].title, "Marrowgate Test Message");
    EXPECT_EQ(answers.seen()[1].text, "Invalid user name or password.");
    EXPECT_EQ(answers.seen()[1].title, "Marrowgate Test Error");
    EXPECT_EQ(answers.seen()[1].icon, QMessageBox::Critical);
    // ORA-12514 has advice of its own.
    EXPECT_EQ(answers.seen()[2].text,
              "Cannot resolve Oracle service name. Check to verify the correct name was given.\n");
    EXPECT_TRUE(opened_urls().empty()) << "only listener errors open the connection help";
}

TEST_F(WizardPages, LoadSettingsFlipsTheRadiosAtOnce) {
    const std::string profile = app_test::temp_dir() + "/flip.qrn";
    conv_.set_mysql_direct(false);
    ASSERT_TRUE(conv_.store_profile(tk_to_wide(profile)));
    conv_.set_mysql_direct(true);
    add_all_pages();
    bool direct_before = false, dump_after = false;
    std::string title;
    QStringList filters;
    run_sheet([&] {
        direct_before = welcome_.is_checked(welcome_page::id_direct);
        wizard_test::answer_file_dialog(profile, &title, &filters);
        click(welcome_.control(welcome_page::id_load));
        dump_after = welcome_.is_checked(welcome_page::id_dump);
        shell_->sheet().close();
    });
    EXPECT_EQ(title, "Select Profile File");
    EXPECT_EQ(filters, (QStringList{"Profile Files (.qrn) (*.qrn)", "All Files (*.*) (*.*)"}));
    EXPECT_TRUE(direct_before);
    EXPECT_TRUE(dump_after);
    EXPECT_FALSE(conv_.is_mysql_direct());
}

TEST_F(WizardPages, DumpPageKeepsEachRadioGroupAndTheDisabledDatabaseTick) {
    dmp_options& o = conv_.dump_options();
    o.new_version = true;
    o.line_break = 1;
    o.create_database = true;
    o.create_table = true;
    shell_->add_page(dump_);
    bool db_enabled_after = true, db_ticked_after = false, unix_kept = false, old_kept = false;
    run_sheet([&] {
        click(dump_.control(sql_dump_page::id_create_table));  // unticks CREATE TABLE
        db_enabled_after = dump_.is_enabled(sql_dump_page::id_create_db);
        db_ticked_after = dump_.is_checked(sql_dump_page::id_create_db);
        click(dump_.control(sql_dump_page::id_old_version));
        unix_kept = dump_.is_checked(sql_dump_page::id_unix_breaks);
        click(dump_.control(sql_dump_page::id_windows_breaks));
        old_kept = dump_.is_checked(sql_dump_page::id_old_version);
        dump_.store_dump_options();
        shell_->sheet().close();
    });
    EXPECT_FALSE(db_enabled_after);
    EXPECT_TRUE(db_ticked_after);
    EXPECT_TRUE(unix_kept);
    EXPECT_TRUE(old_kept);
    EXPECT_FALSE(o.create_table);
    EXPECT_TRUE(o.create_database) << "the disabled box's tick is still stored";
    EXPECT_FALSE(o.new_version);
    EXPECT_EQ(o.line_break, 0);
    EXPECT_EQ(conv_.mysql_engine().version(), sql_dump_page::old_version_word);
}

TEST_F(WizardPages, LocalStoresAnEmptyHostAndPort3306) {
    conv_.store_mysql_settings("db.example.org", "root", "pw", "3307");
    shell_->add_page(mysql_);
    bool remote_shown = false, host_enabled_after_local = true;
    run_sheet([&] {
        remote_shown =
            mysql_.is_checked(sql_settings_page2::id_remote) && mysql_.get_text(sql_settings_page2::id_port) == u"3307";
        mysql_.set_text(sql_settings_page2::id_port, u"4000");
        click(mysql_.control(sql_settings_page2::id_local));
        host_enabled_after_local = mysql_.is_enabled(sql_settings_page2::id_host);
        mysql_.store_settings();
        shell_->sheet().close();
    });
    EXPECT_TRUE(remote_shown);
    EXPECT_FALSE(host_enabled_after_local);
    EXPECT_EQ(conv_.mysql_host(), "");
    EXPECT_EQ(conv_.mysql_port(), "3306");
    EXPECT_EQ(conv_.mysql_user(), "root");
}

// After Next or Back the user types on in the page, not on the sheet's button just pressed:
// the page's first field has the focus, of a radio group the checked button (the second
// one here on the MySQL and dump pages); Remote puts it on Host, the box typed in next.
TEST_F(WizardPages, TheFocusGoesToThePagesFirstFieldAndRemoteToHost) {
    app_test::build_store("PAGESFOCUS", pages_schema);
    conv_.store_mysql_settings("db.example.org", "root", "pw", "3307");
    conv_.dump_options().new_version = false;
    add_all_pages();
    struct step {
        const char* what;
        std::function<void()> act;
        ui::surface& page;
        int field;
    };
    const auto road = [this](int id) {
        return [this, id] {
            click(welcome_.control(id));
            next();
        };
    };
    const auto press_next = [this] { next(); };
    const auto press_back = [this] { back(); };
    const auto remote = [this] { click(mysql_.control(sql_settings_page2::id_remote)); };
    const auto local = [this] { click(mysql_.control(sql_settings_page2::id_local)); };
    const auto fill_and_next = [this] {
        fill_oracle(u"PAGESFOCUS");
        next();
    };
    const step steps[] = {
        {"direct road: Next to the Oracle page", road(welcome_page::id_direct), oracle_, oracle_settings_page::id_host},
        {"Next to the MySQL page, Remote checked", fill_and_next, mysql_, sql_settings_page2::id_remote},
        {"Local, then Remote",
         [&] {
             local();
             remote();
         },
         mysql_, sql_settings_page2::id_host},
        {"Back to the Oracle page", press_back, oracle_, oracle_settings_page::id_host},
        {"Back to the welcome page", press_back, welcome_, welcome_page::id_direct},
        {"dump road: Next to the Oracle page", road(welcome_page::id_dump), oracle_, oracle_settings_page::id_host},
        {"Next to the dump page, old version checked", fill_and_next, dump_, sql_dump_page::id_old_version},
        {"Next to the destination page", press_next, dest_, sel_file_page::id_dest},
    };
    std::vector<std::string> wrong;
    run_sheet([&] {
        // The sheet's own focus: the wait dialog of a connect takes the activation away.
        QWidget* sheet = shell_->sheet().native();
        for (const step& s : steps) {
            s.act();
            QWidget* expected = s.page.control(s.field);
            if (!test_support::wait_until([&] { return sheet->focusWidget() == expected; }, 2000)) {
                QWidget* f = sheet->focusWidget();
                wrong.push_back(std::string(s.what) + ": focus on " +
                                (f ? f->metaObject()->className() + (" " + f->objectName().toStdString()) : "nothing"));
            }
        }
        shell_->sheet().close();
    });
    EXPECT_TRUE(wrong.empty()) << testing::PrintToString(wrong);
}

// A dump path is shown whole: one made from a bare or relative name is in the working
// folder of the program's start.
TEST_F(WizardPages, DestinationBoxShowsTheDefaultForms) {
    struct row {
        const char16_t* source;
        const char16_t* dest;
        bool direct;
        std::u16string shown;
        bool browse;
    };
    const std::u16string here = tk_to_wide(fs::current_path().string());
    const row rows[] = {
        {u"ORCL.WORLD", u"", true, u"ORCL", false},
        {u"ORCL.WORLD", u"", false, here + u"/ORCL.sql", true},
        {u"ORCL", u"/out/db1.txt", true, u"db1", false},
        {u"ORCL", u"/out/db1.txt", false, u"/out/db1.sql", true},
        {u"ORCL", u"out/db2.txt", false, here + u"/out/db2.sql", true},
        {u"XE", u"", false, here + u"/XE.sql", true},
    };
    shell_->add_page(dest_);
    std::vector<std::u16string> shown;
    std::vector<bool> browse;
    run_sheet([&] {
        for (const row& r : rows) {
            conv_.set_source_name(r.source);
            conv_.set_destination_name(r.dest);
            conv_.set_mysql_direct(r.direct);
            dest_.page_init();
            shown.push_back(dest_.get_text(sel_file_page::id_dest));
            browse.push_back(dest_.is_shown(sel_file_page::id_browse));
        }
        shell_->sheet().close();
    });
    for (size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(shown[i], rows[i].shown) << "row " << i;
        EXPECT_EQ(browse[i], rows[i].browse) << "row " << i;
    }
}

TEST_F(WizardPages, BrowseOpensAtTheBoxPathAndTakesTheChosenFile) {
    const std::string dir = app_test::temp_dir() + "/dumps";
    fs::create_directories(dir);
    conv_.set_mysql_direct(false);
    shell_->add_page(dest_);
    std::string folder, name, title;
    QStringList filters;
    std::vector<std::string> box;
    run_sheet([&] {
        dest_.set_text(sel_file_page::id_dest, tk_to_wide(dir + "/orcl.sql"));
        test_support::when_modal([](QWidget* w) { return qobject_cast<QFileDialog*>(w) != nullptr; },
                                 [&](QWidget* w) {
                                     auto* d = static_cast<QFileDialog*>(w);
                                     folder = d->directory().absolutePath().toStdString();
                                     if (auto* edit = d->findChild<QLineEdit*>("fileNameEdit"))
                                         name = edit->text().toStdString();
                                     title = d->windowTitle().toStdString();
                                     filters = d->nameFilters();
                                     d->reject();
                                 });
        click(dest_.control(sel_file_page::id_browse));
        box.push_back(tk_to_narrow(dest_.get_text(sel_file_page::id_dest)));  // Cancel: unchanged
        // ".sql" is added unless the chosen path holds it somewhere already.
        for (const char* chosen : {"other", "other.txt", "other.sql.old"}) {
            wizard_test::answer_file_dialog(dir + "/" + chosen);
            click(dest_.control(sel_file_page::id_browse));
            box.push_back(tk_to_narrow(dest_.get_text(sel_file_page::id_dest)));
        }
        shell_->sheet().close();
    });
    EXPECT_EQ(folder, dir);
    EXPECT_EQ(name, "orcl");
    EXPECT_EQ(title, "Select Dump File");
    EXPECT_EQ(filters, (QStringList{"MySQL Dump Files (.sql) (*.sql)", "All Files (*.*) (*.*)"}));
    EXPECT_EQ(box, (std::vector<std::string>{dir + "/orcl.sql", dir + "/other.sql", dir + "/other.txt.sql",
                                             dir + "/other.sql.old"}));
}

TEST_F(WizardPages, ExistingDumpFileIsReplacedOnlyAfterYes) {
    const std::string path = app_test::temp_dir() + "/existing.sql";
    test_support::write_file(path, "kept");
    conv_.set_mysql_direct(false);
    conv_.set_source_name(u"XE");
    conv_.set_destination_name(tk_to_wide(path));
    shell_->add_page(dest_);
    shell_->add_page(mysql_);  // a page after it, for Next to reach
    box_answerer answers({QMessageBox::No, QMessageBox::Yes});
    int after_no = 0, after_yes = 0;
    bool file_after_no = false;
    run_sheet([&] {
        next();
        after_no = current_id();
        file_after_no = fs::exists(path);
        next();
        after_yes = current_id();
        shell_->sheet().close();
    });
    EXPECT_EQ(after_no, 106);
    EXPECT_TRUE(file_after_no);
    EXPECT_EQ(after_yes, 123);
    EXPECT_FALSE(fs::exists(path)) << "deleted at once after Yes";
    ASSERT_EQ(answers.seen().size(), 2u);
    EXPECT_EQ(answers.seen()[0].text, "Destination file already exists. Overwrite?");
    EXPECT_EQ(answers.seen()[0].default_button, QMessageBox::No);
    EXPECT_EQ(answers.seen()[0].title, "Marrowgate Test Question");
}

// A dump path longer than the 259 characters of a classic path buffer is the user's path:
// the page asks about, deletes and hands on that file, not one whose name is cut short.
TEST_F(WizardPages, ALongDumpPathIsCheckedAndReplacedWhole) {
    const std::string dir = app_test::temp_dir() + "/" + std::string(120, 'd') + "/" + std::string(120, 'e');
    fs::create_directories(dir);
    const std::string path = dir + "/" + std::string(100, 'f') + ".sql";
    ASSERT_GT(path.size(), 259u);
    const std::string cut = path.substr(0, 259);
    test_support::write_file(path, "old dump");
    test_support::write_file(cut, "another file");
    ASSERT_TRUE(fs::exists(cut));
    conv_.set_mysql_direct(false);
    conv_.set_source_name(u"XE");
    shell_->add_page(dest_);
    shell_->add_page(mysql_);
    box_answerer answers({QMessageBox::Yes});
    int after = 0;
    run_sheet([&] {
        dest_.set_text(sel_file_page::id_dest, tk_to_wide(path));
        next();
        after = current_id();
        shell_->sheet().close();
    });
    EXPECT_EQ(after, 123);
    ASSERT_EQ(answers.seen().size(), 1u);
    EXPECT_EQ(answers.seen()[0].text, "Destination file already exists. Overwrite?");
    EXPECT_FALSE(fs::exists(path)) << "the named file is the one deleted";
    EXPECT_TRUE(fs::exists(cut)) << "a file named by the cut path is left alone";
    EXPECT_EQ(tk_to_narrow(conv_.destination_name()), path);
}

TEST_F(WizardPages, DestinationErrorsAndEmptyNamesKeepThePage) {
    conv_.set_mysql_direct(false);
    conv_.set_source_name(u"");
    shell_->add_page(dest_);
    shell_->add_page(mysql_);
    box_answerer answers;
    std::vector<int> stayed;
    run_sheet([&] {
        dest_.set_text(sel_file_page::id_dest, u"");
        next();
        stayed.push_back(current_id());
        dest_.set_text(sel_file_page::id_dest, u"/no/such/folder/x.sql");
        next();
        stayed.push_back(current_id());
        dest_.set_text(sel_file_page::id_dest, tk_to_wide(app_test::temp_dir()));
        next();
        stayed.push_back(current_id());
        shell_->sheet().close();
    });
    EXPECT_EQ(stayed, (std::vector<int>{106, 106, 106}));
    ASSERT_EQ(answers.seen().size(), 3u);
    EXPECT_EQ(answers.seen()[0].text, "You should enter MySQL dump file name");
    EXPECT_EQ(answers.seen()[1].text, "Destination path does not exist.\nPlease verify the correct path was given.");
    EXPECT_EQ(answers.seen()[2].text, "Destination name should specify a file, not folder.");
}

TEST_F(WizardPages, WaitDialogCyclesThroughEightFramesAndStartsAgain) {
    wait_dialog d(0, u"", 20);
    std::vector<int> frames;
    std::vector<ui::image> pictures;
    const int result = test_support::run_with([&] { return d.run_modal(nullptr); },
                                              [&] {
                                                  for (int k = 0; k < 10; ++k) {
                                                      test_support::wait_until([&] { return d.frame() == (k % 8); });
                                                      frames.push_back(d.frame());
                                                      pictures.push_back(d.picture(wait_dialog::id_frame));
                                                  }
                                                  std::thread worker([&] { d.finish(); });
                                                  worker.join();
                                              });
    EXPECT_EQ(result, ui::id_ok);
    EXPECT_EQ(frames, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 0, 1}));
    for (int k = 0; k < 8; ++k) {
        EXPECT_TRUE(pictures[k] == wizard_art(art_first_frame + k)) << "frame " << k;
        for (int j = 0; j < k; ++j) EXPECT_FALSE(pictures[k] == pictures[j]) << k << " vs " << j;
    }
    EXPECT_TRUE(pictures[8] == pictures[0]);
}

TEST_F(WizardPages, EveryPageOpensItsHelpTopic) {
    add_all_pages();
    run_sheet([&] {
        size_t opened = 0;
        for (compat::ui::page* p : shell_->sheet().pages()) {
            ASSERT_TRUE(shell_->sheet().select_page(p->dialog_id()));
            click(sheet_button(ui::id_help));
            EXPECT_TRUE(wait_for_urls(++opened));
        }
        shell_->sheet().close();
    });
    const std::string file = "file://" + wizard_shell::help_file() + "#topic-";
    ASSERT_TRUE(test_support::wait_until([&] { return opened_urls().size() == 5; }, 10000));
    EXPECT_EQ(opened_urls(),
              (std::vector<std::string>{file + "1014", file + "1012", file + "1022", file + "1011", file + "1013"}));
}
