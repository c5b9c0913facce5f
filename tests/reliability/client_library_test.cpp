// Finding the Oracle client library without MARROWGATE_OCI_LIB, as an Instant Client
// install leaves it: only a versioned file name on the library path.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/reliability/rel_env.h"

namespace rel_test {
namespace {

constexpr const char* store_sql =
    "CREATE USER scott IDENTIFIED BY tiger;\n"
    "CREATE TABLE T_ONE (ID NUMBER(5) NOT NULL, V VARCHAR2(5));\n"
    "INSERT INTO T_ONE VALUES (1, 'found');\n"
    "COMMIT;\n";

// tollspar with the library variable empty and the library path set to dir.
proc_spec without_variable(const workspace& ws, const std::string& dir, const std::string& dump) {
    proc_spec s = ws.tollspar("LIBS", {"--dump", "--dest=" + dump});
    s.env["MARROWGATE_OCI_LIB"] = "";
    s.env["LD_LIBRARY_PATH"] = dir;
    return s;
}

TEST(ClientLibrary, AVersionedInstantClientNameIsFound) {
    workspace ws;
    ws.stores().build_text("LIBS", store_sql);
    const std::string dir = ws.file("instantclient_19_20");
    std::filesystem::create_directories(dir);
    std::filesystem::create_symlink(MG_OCILITE_LIB, dir + "/libclntsh.so.19.1");
    const std::string dump = ws.file("libs.sql");
    proc_result conv = run(without_variable(ws, dir, dump), ws.dir());
    ASSERT_EQ(conv.code, 0) << conv.out << conv.err;
    EXPECT_NE(read_file(dump).find("'found'"), std::string::npos);
}

TEST(ClientLibrary, NoClientNamesEveryFileTriedAndTheVariable) {
    workspace ws;
    ws.stores().build_text("LIBS", store_sql);
    const std::string dir = ws.file("empty");
    std::filesystem::create_directories(dir);
    proc_result conv = run(without_variable(ws, dir, ws.file("libs.sql")), ws.dir());
    EXPECT_NE(conv.code, 0);
    const std::string all = conv.out + conv.err;
    for (const char* name : {"libclntsh.so", "libclntsh.so.23.1", "libclntsh.so.21.1", "libclntsh.so.19.1",
                             "libclntsh.so.18.1", "libclntsh.so.12.1", "libclntsh.so.11.1", "MARROWGATE_OCI_LIB"})
        EXPECT_NE(all.find(name), std::string::npos) << name << "\n" << all;
}

}  // namespace
}  // namespace rel_test
