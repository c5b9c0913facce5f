// No product source includes a header of a folder above it in the dependency order.
#include "tests/layout/include_order.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

TEST(IncludeOrder, TheTreeKeepsTheOrder) {
    for (const std::string& v : layout::include_order_violations(MG_SOURCE_DIR)) ADD_FAILURE() << v;
}

TEST(IncludeOrder, TheTableNamesWhatExists) {
    for (const std::string& entry : layout::missing_table_entries(MG_SOURCE_DIR))
        ADD_FAILURE() << entry << " is in the table but not in the tree";
}

// The scan over a small tree of its own: each file holds one include.
struct include_case {
    const char* file;
    const char* line;
    const char* report;  // the report's start, "" when the include is allowed
};

TEST(IncludeOrder, ReportsEachIncludeAgainstTheOrderWithFileLineAndHeader) {
    const include_case cases[] = {
        {"UDB/down.cpp", "#include \"TK/tk_log.h\"", ""},
        {"TK/up.cpp", "#include \"UDB/udb_db.h\"", "TK/up.cpp:2: UDB/udb_db.h: TK may not include UDB"},
        {"compat/text/up.cpp", "  #  include \"TK/tk_log.h\"", "compat/text/up.cpp:2: TK/tk_log.h: compat/text may"},
        {"ORA/side.cpp", "#include \"SQL/sql_exc.h\"", "ORA/side.cpp:2: SQL/sql_exc.h: ORA may not include SQL"},
        {"SQL/side.cpp", "#include \"ORA/ora_util.h\"", "SQL/side.cpp:2: ORA/ora_util.h: SQL may not include ORA"},
        {"GUI2/down.cpp", "#include \"SQL/sql_exc.h\"", ""},
        {"GUI2/side.cpp", "#include \"app/console/con_out.h\"", "GUI2/side.cpp:2: app/console/con_out.h: wizard"},
        {"app/console/down.cpp", "#include \"app/qrn_conv.h\"", ""},
        {"app/console/side.cpp", "#include \"GUI2/g_wiz_sh.h\"", "app/console/side.cpp:2: GUI2/g_wiz_sh.h: console"},
        // Wizard files in common/ and app/ are filed with the wizard, their folders are not.
        {"common/over_dlg.cpp", "#include \"GUI2/g_wiz_sh.h\"", ""},
        {"app/qrn_shel.cpp", "#include \"common/sql_dump.h\"", ""},
        {"common/type_map.cpp", "#include \"GUI2/g_wiz_sh.h\"", "common/type_map.cpp:2: GUI2/g_wiz_sh.h: common"},
        {"common/up.cpp", "#include \"sql_dump.h\"", "common/up.cpp:2: sql_dump.h: common may not include wizard"},
        {"app/up.cpp", "#include \"app/qrn_shel.h\"", "app/up.cpp:2: app/qrn_shel.h: app may not include wizard"},
        {"app/down.cpp", "#include \"qrn_conv.h\"", ""},
        {"ocilite/down.cpp", "#include \"compat/text/text.h\"", ""},
        {"ocilite/up.cpp", "#include \"TK/tk_log.h\"", "ocilite/up.cpp:2: TK/tk_log.h: ocilite may not include TK"},
        {"app/apart.cpp", "#include \"ocilite/store.h\"", "app/apart.cpp:2: ocilite/store.h: app may not"},
        {"SQL/outside.cpp", "#include \"tests/support/proc_run.h\"", "SQL/outside.cpp:2: tests/support/proc_run.h"},
        {"TK/comment.cpp", "// #include \"GUI2/g_wiz_sh.h\"", ""},
        // The angle form names product headers too: the tree's top is on the include path.
        {"TK/angle.cpp", "#include <UDB/udb_db.h>", "TK/angle.cpp:2: UDB/udb_db.h: TK may not include UDB"},
        {"SQL/angle.cpp", "#include <tests/support/proc_run.h>", "SQL/angle.cpp:2: tests/support/proc_run.h"},
        {"UDB/angle.cpp", "#include <TK/tk_log.h>", ""},
        {"TK/system.cpp", "#include <string>", ""},
        {"SQL/system.cpp", "#include <fmt/format.h>", ""},
        // compat's parts have layers of their own, and only the wizard reaches the Qt layer.
        {"compat/registry/down.cpp", "#include \"compat/text/text.h\"", ""},
        {"compat/text/up.cpp", "#include \"compat/registry/registry.h\"",
         "compat/text/up.cpp:2: "
         "compat/registry/registry.h: compat/text"},
        {"compat/oleaut/side.cpp", "#include \"compat/registry/registry.h\"",
         "compat/oleaut/side.cpp:2: "
         "compat/registry/registry.h: compat/oleaut"},
        {"TK/qt.cpp", "#include \"compat/ui/ui.h\"", "TK/qt.cpp:2: compat/ui/ui.h: TK may not include compat/ui: only"},
        {"SQL/qt.cpp", "#include <compat/desktop/desktop.h>", "SQL/qt.cpp:2: compat/desktop/desktop.h: SQL may not"},
        {"common/type_map.cpp", "#include \"compat/ui/ui.h\"", "common/type_map.cpp:2: compat/ui/ui.h: common may"},
        {"ocilite/qt.cpp", "#include \"compat/ui/ui.h\"", "ocilite/qt.cpp:2: compat/ui/ui.h: ocilite may not"},
        {"GUI2/down.cpp", "#include \"compat/ui/ui.h\"", ""},
        {"common/over_dlg.h", "#include \"compat/ui/ui.h\"", ""},
        {"TK/tk_mail.cpp", "#include \"compat/desktop/desktop.h\"", ""},
        {"TK/tk_log.cpp", "#include \"compat/desktop/desktop.h\"", "TK/tk_log.cpp:2: compat/desktop/desktop.h: TK"},
        {"UDB/up.cpp", "#include \"TK/tk_mail.h\"", "UDB/up.cpp:2: TK/tk_mail.h: UDB may not include TK desktop"},
        {"GUI2/down.cpp", "#include \"TK/tk_mail.h\"", ""},
        // Qt's own headers only in the Qt layer.
        {"compat/ui/down.cpp", "#include <QWidget>", ""},
        {"TK/qt.cpp", "#include <QString>", "TK/qt.cpp:2: QString: TK may not include Qt"},
        {"GUI2/qt.cpp", "#include <QtWidgets/QLabel>", "GUI2/qt.cpp:2: QtWidgets/QLabel: wizard front end may not"},
        // Every source has a place in the table.
        {"compat/newpart/x.cpp", "#include \"compat/text/text.h\"", "compat/newpart/x.cpp: in no folder of"},
        {"newpart/x.cpp", "#include \"TK/tk_log.h\"", "newpart/: a top-level folder the layout table does not"},
        {"main.cpp", "#include \"TK/tk_log.h\"", "main.cpp: a source outside every folder"},
        {"tests/any.cpp", "#include \"GUI2/g_wiz_sh.h\"", ""},
        {".hidden/any.cpp", "#include \"GUI2/g_wiz_sh.h\"", ""},
    };
    for (const include_case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.line);
        test_support::temp_dir tree("include-order");
        const fs::path file = fs::path(tree.path()) / c.file;
        fs::create_directories(file.parent_path());
        test_support::write_file(file.string(), std::string("// a source\n") + c.line + "\n");
        const std::vector<std::string> found = layout::include_order_violations(tree.path());
        if (*c.report == '\0') {
            EXPECT_TRUE(found.empty()) << found.front();
        } else {
            ASSERT_EQ(found.size(), 1u);
            EXPECT_TRUE(found[0].starts_with(c.report)) << found[0];
        }
    }
}

// A build folder in the tree (one with a CMakeCache.txt) holds no product sources.
TEST(IncludeOrder, PassesOverABuildFolder) {
    test_support::temp_dir tree("include-order");
    fs::create_directories(fs::path(tree.path()) / "out/gen");
    test_support::write_file(tree.file("out/CMakeCache.txt"), "");
    test_support::write_file(tree.file("out/gen/moc.cpp"), "#include <QWidget>\n#include \"GUI2/g_wiz_sh.h\"\n");
    for (const std::string& v : layout::include_order_violations(tree.path())) ADD_FAILURE() << v;
}

}  // namespace
