// The command line of tollspar, run as a process: which arguments it takes, which it
// refuses, and what it prints and returns for each.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/console/con_usage.h"
#include "tests/console/con_fixture.h"

namespace con_test {
namespace {

const std::string usage = con_usage_text(5, 1) + "\n";

enum class out_rule { empty, error_line, any };

struct cli_case {
    const char* what;
    std::vector<std::string> args;  // "@src" expands to the fixture's source options, "@dump" to a dump target
    int code;
    std::string err;  // exact standard error
    out_rule out = out_rule::empty;
};

class CommandLine : public tollspar_test {
protected:
    std::vector<std::string> expand(const std::vector<std::string>& args) const {
        std::vector<std::string> out;
        for (const auto& a : args) {
            if (a == "@src") {
                for (const auto& s : source_args()) out.push_back(s);
            } else if (a == "@dump") {
                out.push_back("--dump");
                out.push_back("--dest=" + file("out.sql"));
            } else {
                out.push_back(a);
            }
        }
        return out;
    }
};

TEST_F(CommandLine, OneTableOfArguments) {
    const std::string bad_mode = "Invalid merge/overwrite mode\n";
    const cli_case cases[] = {
        {"no arguments", {}, 255, usage},
        {"help", {"--help"}, 255, usage},
        {"help stops the walk", {"--help", "--mode=9", "--tab_file=/none"}, 255, usage},
        {"views is not an option", {"@src", "@dump", "--views"}, 255, usage},
        {"unknown argument", {"@src", "@dump", "bogus"}, 255, usage},
        {"options are case-sensitive", {"--SRC=CONS", "@dump"}, 255, usage},
        {"the = belongs to the prefix", {"--src", "@dump"}, 255, usage},
        {"silent hides the usage", {"--silent", "--views"}, 255, ""},
        {"silent later on the line hides it too", {"bogus", "--silent"}, 255, ""},
        {"mode 4", {"@src", "@dump", "--mode=4"}, 255, bad_mode},
        {"mode 03", {"@src", "@dump", "--mode=03"}, 255, bad_mode},
        {"mode +1", {"@src", "@dump", "--mode=+1"}, 255, bad_mode},
        {"mode empty", {"@src", "@dump", "--mode="}, 255, bad_mode},
        {"mode 1x", {"@src", "@dump", "--mode=1x"}, 255, bad_mode},
        {"silent with letters behind it", {"--silentXYZ", "@src", "@dump", "--mode=4"}, 255, ""},
        {"missing table-names file",
         {"@src", "@dump", "--tab_file=" + file("none.txt")},
         255,
         "Table names file does not exist.\nPlease verify the correct path/name was given.\n"},
        {"table-names file is a folder",
         {"@src", "@dump", "--tab_file=/tmp"},
         255,
         "Table names file does not exist.\nPlease verify the correct path/name was given.\n"},
        {"no source", {"@dump"}, 255, "You should enter Oracle database name\n"},
        {"no destination", {"@src"}, 255, "You should enter destination MySQL database or dump file name\n"},
        {"empty Oracle host",
         {"@src", "@dump", "--oraclh="},
         255,
         "You should enter network name or IP address of Oracle server\n"},
        {"log file in a missing folder",
         {"@src", "@dump", "--logfile=" + file("no/such/x.log")},
         255,
         "",
         out_rule::error_line},
        {"log file that is a folder", {"@src", "@dump", "--logfile=" + dir_.path()}, 255, "", out_rule::error_line},
        {"mode 3 with a dump",
         {"@src", "@dump", "--mode=3"},
         255,
         "A dump file cannot skip existing tables or merge into them (--mode=3 with --dump)\n"},
        {"mode 1", {"@src", "@dump", "--mode=1"}, 0, "", out_rule::any},
        {"mode 0", {"@src", "@dump", "--mode=0"}, 0, "", out_rule::any},
        {"dump with letters behind it", {"@src", "--dumpfile", "--dest=" + file("out.sql")}, 0, "", out_rule::any},
        {"a later source wins", {"--src=NOPE", "@src", "@dump"}, 0, "", out_rule::any},
        {"all flags", {"@src", "@dump", "--case_sense", "--skip_idx", "--tab_def", "--silent"}, 0, ""},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(file("out.sql"));
        proc_result r = tollspar(expand(c.args));
        EXPECT_EQ(r.code, c.code) << c.what << "\n" << r.out << r.err;
        EXPECT_EQ(r.err, c.err) << c.what;
        switch (c.out) {
            case out_rule::empty:
                EXPECT_EQ(r.out, "") << c.what;
                break;
            case out_rule::error_line:
                EXPECT_EQ(lines_of(r.out).size(), 2u) << c.what << "\n" << r.out;
                EXPECT_TRUE(r.out.starts_with("Error:\n")) << c.what << "\n" << r.out;
                break;
            case out_rule::any:
                break;
        }
        if (c.code == 0) {
            EXPECT_TRUE(std::filesystem::exists(file("out.sql"))) << c.what;
        }
    }
}

TEST_F(CommandLine, UsageShowsRealQuotes) {
    proc_result r = tollspar({});
    auto l = lines_of(r.err);
    ASSERT_FALSE(l.empty());
    EXPECT_EQ(l.front(), "tollspar v5.1");
    EXPECT_EQ(l.back(), "      quotes (for example --dest=\"my database\")");
    EXPECT_EQ(r.err.find("&quot;"), std::string::npos);
    EXPECT_EQ(l.size(), 40u);
}

TEST_F(CommandLine, LogFileReceivesTheRun) {
    proc_result r = tollspar({"--src=CONS", "--oraclu=scott", "--oraclp=tiger", "--dump", "--dest=" + file("out.sql"),
                              "--logfile=" + file("run.log")});
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    std::string log = read_file(file("run.log"));
    EXPECT_NE(log.find("Conversion started on "), std::string::npos) << log;
    EXPECT_NE(log.find("Conversion ended on "), std::string::npos) << log;
    EXPECT_EQ(log.find("tiger"), std::string::npos) << "a password reached the log";
}

// The trace log waits until the command line has named the destination (a log file that is
// the dump is refused before either is written): the lines logged before arrive first and
// in order, then the run's own, a table of many read-ahead batches among them.
TEST_F(CommandLine, LinesLoggedBeforeTheDestinationIsKnownArriveFirstInOrder) {
    std::string many = "CREATE USER scott IDENTIFIED BY tiger;\nCREATE TABLE many (id NUMBER(6));\n";
    for (int i = 1; i <= 1000; ++i) many += "INSERT INTO many VALUES (" + std::to_string(i) + ");\n";
    dir_.build_text("MANY", many + "COMMIT;\n");
    write_file(file("bad.qrn"),
               "[Generic settings]\nsrc=MANY\nmode=7\n[Oracle settings]\nuser=scott\npassword=tiger\n");
    const std::string log = file("run.log");
    const std::vector<std::string> dump = {"--dump", "--dest=" + file("out.sql")};
    struct log_case {
        const char* what;
        std::vector<std::string> args;
        int code;
        std::vector<std::string> starts;  // how each line of the log starts, all of them
    };
    const log_case cases[] = {
        {"refused by an option after it",
         {"--logfile=" + log, "--src=MANY", "--mode=4"},
         255,
         {"Invalid merge/overwrite mode"}},
        {"refused by the profile after it",
         {"--logfile=" + log, "--profile=" + file("bad.qrn")},
         255,
         {"Profile mode '7' is not valid", "Error:",
          "Cannot use the profile '" + file("bad.qrn") + "': Invalid merge/overwrite mode '7' (0 to 4 are valid)"}},
        {"a run",
         {"--logfile=" + log, "--src=MANY", "--oraclu=scott", "--oraclp=tiger"},
         0,
         {"Connecting to Oracle data source '//localhost:1521/MANY'", "Conversion started on ", "",
          "Creating MySQL dump file '" + file("out.sql") + "'", "Converting database MANY (1 tables)",
          "Converting table MANY (1000 records)", "Conversion ended on ", ""}},
    };
    for (const log_case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(log);
        std::vector<std::string> args = c.args;
        args.insert(args.end(), dump.begin(), dump.end());
        const proc_result r = tollspar(args);
        EXPECT_EQ(r.code, c.code) << r.out << r.err;
        std::vector<std::string> lines = lines_of(read_file(log));
        for (std::string& line : lines)
            if (!line.empty() && line.back() == '\r') line.pop_back();
        ASSERT_EQ(lines.size(), c.starts.size()) << read_file(log);
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_TRUE(lines[i].starts_with(c.starts[i])) << "line " << i << ": " << lines[i];
    }
}

}  // namespace
}  // namespace con_test
