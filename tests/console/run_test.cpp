// Runs of tollspar into dump files: what it converts, what it prints, and the exit code of
// every failure on the way.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "tests/console/con_fixture.h"

namespace con_test {
namespace {

proc_options with_env(const std::string& key, const std::string& value) {
    proc_options o;
    o.env[key] = value;
    return o;
}

proc_options with_file_size_limit(long bytes) {
    proc_options o;
    o.file_size_limit = bytes;
    return o;
}

class DumpRun : public tollspar_test {
protected:
    std::vector<std::string> dump_args(std::vector<std::string> extra = {}) const {
        std::vector<std::string> a = source_args();
        a.push_back("--dump");
        a.push_back("--dest=" + file("out.sql"));
        a.insert(a.end(), extra.begin(), extra.end());
        return a;
    }
    std::string dump() const { return read_file(file("out.sql")); }
    static bool has_table(const std::string& dump, const std::string& table) {
        return dump.find("CREATE TABLE `" + table + "`") != std::string::npos;
    }
    void write_profile(const std::string& name, const std::string& generic, const std::string& tables) {
        write_file(file(name), "[Generic settings]\n" + generic +
                                   "\n[Oracle settings]\nuser=scott\npassword=tiger\n"
                                   "[MySQL settings]\ndirect mode=0\n[Selected Tables]\n" +
                                   tables);
    }
};

TEST_F(DumpRun, EmptySelectionConvertsEveryTable) {
    proc_result r = tollspar(dump_args());
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(lines_of(r.out),
              (std::vector<std::string>{
                  "Converting database CONS(3 tables)",
                  "Converting table Café(1 records)",
                  "Note: table 'Café' is written to the dump without LOCK TABLES: its name is not ASCII",
                  "Converting table DEPT(3 records)",
                  "Converting table EMP(5 records)",
              }));
    std::string d = dump();
    EXPECT_TRUE(has_table(d, "DEPT")) << d;
    EXPECT_TRUE(has_table(d, "EMP"));
    EXPECT_NE(d.find("'ACCOUNTING'"), std::string::npos);
    // The whole file is there at exit: the last table's rows included.
    EXPECT_NE(d.find("'BLAKE'"), std::string::npos);
}

TEST_F(DumpRun, SilentPrintsNothing) {
    proc_result r = tollspar(dump_args({"--silent"}));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(has_table(dump(), "EMP"));
}

TEST_F(DumpRun, TableNamesFiles) {
    // A selected table that the source lacks is an error of the run, which goes on.
    const struct {
        const char* what;
        std::vector<std::string> files;  // contents, one --tab_file= each, in order
        std::vector<std::string> out;
        int code;
    } cases[] = {
        {"UTF-8 with signature, CRLF, blank lines, a missing table",
         {"\xEF\xBB\xBF"
          "Caf\xC3\xA9\r\n\r\nNOPE\r\n\r\nEMP\r\n"},
         {"Converting database CONS(3 tables)", "Converting table Café(1 records)",
          "Note: table 'Café' is written to the dump without LOCK TABLES: its name is not ASCII",
          "Converting table EMP(5 records)", "Error:", "Table NOPE not exists"},
         1},
        {"ANSI, LF",
         {"EMP\n\nDEPT\n"},
         {"Converting database CONS(2 tables)", "Converting table DEPT(3 records)", "Converting table EMP(5 records)"},
         0},
        {"the second file replaces the first",
         {"EMP\n", "DEPT\n"},
         {"Converting database CONS(1 tables)", "Converting table DEPT(3 records)"},
         0},
        {"names are not trimmed",
         {" EMP\nDEPT\n"},
         {"Converting database CONS(2 tables)", "Error:", "Table  EMP not exists", "Converting table DEPT(3 records)"},
         1},
    };
    for (const auto& c : cases) {
        std::vector<std::string> extra;
        for (size_t i = 0; i < c.files.size(); ++i) {
            std::string path = file("tables" + std::to_string(i) + ".txt");
            write_file(path, c.files[i]);
            extra.push_back("--tab_file=" + path);
        }
        proc_result r = tollspar(dump_args(extra));
        EXPECT_EQ(r.code, c.code) << c.what << "\n" << r.out << r.err;
        EXPECT_EQ(lines_of(r.out), c.out) << c.what;
        EXPECT_EQ(r.err, "") << c.what;
    }
}

TEST_F(DumpRun, TableNamesFromAPipeOrAFifo) {
    // As a shell user passes them: a process substitution, and a FIFO with a writer.
    ASSERT_EQ(::mkfifo(file("names.fifo").c_str(), 0600), 0);
    std::string command = test_support::sh_quoted(MG_TOLLSPAR);
    for (const std::string& a : dump_args()) command += " " + test_support::sh_quoted(a);
    const struct {
        const char* what;
        std::string command;
    } cases[] = {
        {"process substitution", command + " --tab_file=<(printf 'EMP\\nDEPT\\n')"},
        // the writer gives up after a while, so that a FIFO left unread fails the test, not hangs it
        {"FIFO", "timeout 20 sh -c \"printf 'EMP\\nDEPT\\n' > " + test_support::sh_quoted(file("names.fifo")) +
                     "\" & " + command + " --tab_file=" + test_support::sh_quoted(file("names.fifo")) +
                     "; rc=$?; wait; exit $rc"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(file("out.sql"));
        proc_result r = run_process({"/bin/bash", "-c", c.command}, options_);
        EXPECT_EQ(r.code, 0) << c.what << "\n" << r.out << r.err;
        EXPECT_EQ(lines_of(r.out),
                  (std::vector<std::string>{"Converting database CONS(2 tables)", "Converting table DEPT(3 records)",
                                            "Converting table EMP(5 records)"}))
            << c.what;
    }
}

TEST_F(DumpRun, Profiles) {
    const std::string dest = "dest=" + file("out.sql") + "\n";
    write_profile("p.qrn", "src=CONS\n" + dest, "DEPT\nEMP\n");
    write_profile("nodest.qrn", "src=CONS\n", "DEPT\n");
    write_profile("nosrc.qrn", dest, "DEPT\n");
    write_file(file("dept.txt"), "DEPT\n");
    const std::string p = "--profile=" + file("p.qrn");
    const struct {
        const char* what;
        std::vector<std::string> args;
        int code;
        std::string first_line;  // of standard output, or of standard error on a usage failure
        std::string err;
    } cases[] = {
        {"the profile's tables", {p}, 0, "Converting database CONS(2 tables)", ""},
        {"a table-names file after the profile replaces its tables",
         {p, "--tab_file=" + file("dept.txt")},
         0,
         "Converting database CONS(1 tables)",
         ""},
        {"the profile replaces an earlier source", {"--src=NOPE", p}, 0, "Converting database CONS(2 tables)", ""},
        {"a later source replaces the profile's", {p, "--src=NOPE"}, 255, "Error:", ""},
        {"connection options are ignored after a profile",
         {p, "--oraclu=nobody", "--oraclp=x"},
         0,
         "Converting database CONS(2 tables)",
         ""},
        {"... and before it", {"--oraclu=nobody", p}, 0, "Converting database CONS(2 tables)", ""},
        {"a profile without destination",
         {"--profile=" + file("nodest.qrn")},
         255,
         "",
         "You should enter destination MySQL database or dump file name\n"},
        {"a profile without source",
         {"--profile=" + file("nosrc.qrn")},
         255,
         "",
         "You should enter Oracle database name\n"},
        {"a missing profile",
         {"--profile=" + file("none.qrn"), "--src=CONS", "--dump", "--dest=x.sql"},
         255,
         "Error:",
         ""},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(file("out.sql"));
        proc_result r = tollspar(c.args);
        EXPECT_EQ(r.code, c.code) << c.what << "\n" << r.out << r.err;
        auto l = lines_of(r.out);
        EXPECT_EQ(l.empty() ? "" : l.front(), c.first_line) << c.what << "\n" << r.out;
        EXPECT_EQ(r.err, c.err) << c.what;
    }
    // Only the file's table is in the dump of the second case.
    proc_result r = tollspar({p, "--tab_file=" + file("dept.txt")});
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(has_table(dump(), "DEPT"));
    EXPECT_FALSE(has_table(dump(), "EMP"));
}

// A server before 4.1 cannot prepare a statement: its dump names tables and columns in
// ASCII, so that it holds only ASCII too.
TEST_F(DumpRun, ADumpForServersBefore41NamesItsTablesAndColumnsInAscii) {
    dir_.build_text("OLDN",
                    "CREATE USER scott IDENTIFIED BY tiger;\n"
                    "CREATE TABLE \"\u4e2d\" (\"\u5217\" NUMBER(3), \"\u00e9t\u00e9\" NUMBER(3));\n"
                    "INSERT INTO \"\u4e2d\" VALUES (1, 2);\n"
                    "COMMIT;\n");
    write_file(file("old.qrn"), "[Generic settings]\nsrc=OLDN\ndest=" + file("out.sql") +
                                    "\n[Oracle settings]\nuser=scott\npassword=tiger\n[MySQL settings]\ndirect "
                                    "mode=0\ndump new version=0\n");
    proc_result r = tollspar({"--profile=" + file("old.qrn")});
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    const std::string d = dump();
    EXPECT_TRUE(std::all_of(d.begin(), d.end(), [](char c) { return (c & 0x80) == 0; })) << d;
    EXPECT_NE(d.find("\r\nINSERT INTO _(_, _t_) VALUES(1, 2);\r\n"), std::string::npos) << d;
}

TEST_F(DumpRun, EveryFailureExitsWith255) {
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::string out;  // exact standard output
    } cases[] = {
        {"wrong Oracle password",
         {"--src=CONS", "--oraclu=scott", "--oraclp=wrong", "--dump", "--dest=" + file("o.sql")},
         "Error:\nInvalid user name or password.\n"},
        {"dump folder missing",
         {"--src=CONS", "--oraclu=scott", "--oraclp=tiger", "--dump", "--dest=" + file("no/o.sql")},
         "Error:\nDestination path does not exist. Please verify the correct path was given.\n"},
        {"dump names a folder",
         {"--src=CONS", "--oraclu=scott", "--oraclp=tiger", "--dump", "--dest=" + dir_.path()},
         "Error:\nDestination name should specify a file, not folder.\n"},
        {"MySQL port not a number",
         {"--src=CONS", "--oraclu=scott", "--oraclp=tiger", "--dest=db", "--myport=abc"},
         "Error:\nInvalid port number 'abc': --myport= takes 1 to 65535\n"},
    };
    for (const auto& c : cases) {
        proc_result r = tollspar(c.args);
        EXPECT_EQ(r.code, 255) << c.what << "\n" << r.out << r.err;
        EXPECT_EQ(r.out, c.out) << c.what;
    }

    const struct {
        const char* what;
        std::vector<std::string> args;
        proc_options extra;
    } unscripted[] = {
        {"unknown Oracle service",
         {"--src=NOPE", "--oraclu=scott", "--oraclp=tiger", "--dump", "--dest=" + file("o.sql")},
         {}},
        {"no Oracle client library", dump_args(), with_env("MARROWGATE_OCI_LIB", file("none.so"))},
        {"a dump that cannot be written", dump_args(), with_file_size_limit(600)},
        {"no MySQL server there",
         {"--src=CONS", "--oraclu=scott", "--oraclp=tiger", "--dest=db", "--mysqlh=127.0.0.1", "--myport=1"},
         {}},
    };
    for (const auto& c : unscripted) {
        proc_result r = tollspar(c.args, c.extra);
        EXPECT_EQ(r.code, 255) << c.what << "\n" << r.out << r.err;
        EXPECT_FALSE(r.out.empty() && r.err.empty()) << c.what << ": failed without a word";
    }
}

TEST_F(DumpRun, AFailedWriteEndsTheRunThroughItsNormalEnd) {
    // The process leaves from deep inside the run, yet every object on the way is closed:
    // the log has the run's end line and every progress line was printed.
    proc_result r = tollspar(dump_args({"--logfile=" + file("run.log")}), with_file_size_limit(1024));
    EXPECT_EQ(r.code, 255) << r.out << r.err;
    auto l = lines_of(r.out);
    ASSERT_GE(l.size(), 3u) << r.out;
    EXPECT_EQ(l[0], "Converting database CONS(3 tables)");
    EXPECT_EQ(l[l.size() - 2], "Error:");
    EXPECT_NE(l.back().find("File too large"), std::string::npos) << l.back();
    std::string log = read_file(file("run.log"));
    EXPECT_NE(log.find("Cannot write the dump file"), std::string::npos) << log;
    EXPECT_NE(log.find("Conversion ended on "), std::string::npos) << log;
}

}  // namespace
}  // namespace con_test
