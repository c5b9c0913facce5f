// The invariants the row roads check where the checks are compiled in (the Debug and the
// sanitizer builds): a column map meets only records and schemas of the shape it was made
// for, and a row's place in the pending statement lies within the statement. A broken one
// is the system's internal error, not a read past the end of a record or a row sent cut.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "SQL/sql_batch.h"
#include "SQL/sql_colmap.h"
#include "SQL/sql_valw.h"
#include "TK/tk_check.h"
#include "TK/tk_excep.h"
#include "sql_engine_fixture.h"

using namespace sql_test;

namespace {

// The internal error's text, or "" when the call returned.
std::string internal_error_of(const std::function<void()>& call) {
    try {
        call();
    } catch (const tk_mail_assertion& e) {
        return e.message();
    }
    return "";
}

class RowRoadChecks : public engine_test {
protected:
    void SetUp() override {
        if (!TK_CHECKS) GTEST_SKIP() << "this build leaves the checks out";
        engine_test::SetUp();
    }
};

TEST_F(RowRoadChecks, AColumnMapMeetsOnlyTheShapeItWasMadeFor) {
    const auto made_for = schema({column(u"a", VT_I4), column(u"b", VT_I4)});
    const auto row = record({field(u"a", 1), field(u"b", 2)});
    const sql_column_map map(*row, *made_for, nullptr);
    ASSERT_TRUE(map.complete());
    const auto narrower = schema({column(u"a", VT_I4)});
    const auto wider = schema({column(u"a", VT_I4), column(u"b", VT_I4), column(u"c", VT_I4)});
    const auto shorter = record({field(u"a", 1)});
    struct shape_case {
        const char* what;
        const udb_record& record;
        const udb_schema& schema;
        bool breaks;
    };
    for (const shape_case& c : {shape_case{"its own shape", *row, *made_for, false},
                                shape_case{"a schema with fewer columns", *row, *narrower, true},
                                shape_case{"a schema with more columns", *row, *wider, true},
                                shape_case{"a record with fewer fields", *shorter, *made_for, true}}) {
        SCOPED_TRACE(c.what);
        std::string out;
        const std::string error =
            internal_error_of([&] { map.append_row(out, c.record, c.schema, sql::hex_values()); });
        const std::string head_error = internal_error_of([&] { map.insert_head(u"t", c.schema); });
        if (c.breaks) {
            EXPECT_EQ(error.rfind("Internal error", 0), 0u) << error;
            EXPECT_EQ(out, "") << "nothing is written for a row that does not fit";
        } else {
            EXPECT_EQ(error, "");
            EXPECT_EQ(head_error, "");
            EXPECT_EQ(out, "(1, 2)");
        }
        if (&c.schema != made_for.get()) {
            EXPECT_EQ(head_error.rfind("Internal error", 0), 0u) << head_error;
        }
    }
}

// An incomplete map has no column for a field: it makes no statement and writes no row.
TEST_F(RowRoadChecks, AnIncompleteMapWritesNothing) {
    const auto columns = schema({column(u"a", VT_I4)});
    const auto row = record({field(u"a", 1), field(u"z", 2)});
    const sql_column_map map(*row, *columns, nullptr);
    ASSERT_FALSE(map.complete());
    std::string out;
    EXPECT_NE(internal_error_of([&] { map.append_row(out, *row, *columns, sql::hex_values()); }), "");
    EXPECT_NE(internal_error_of([&] { map.insert_head(u"t", *columns); }), "");
    EXPECT_EQ(out, "");
}

// Collects what the batcher sends.
class kept_statements : public sql_statement_sink {
public:
    void send_statement(const std::string& statement) override { sent.push_back(statement); }
    std::vector<std::string> sent;
};

// A row writer may only append to the statement: one that cuts what was there before its
// row would leave the row's place outside the statement.
TEST_F(RowRoadChecks, ARowWriterThatCutsTheStatementIsTheInternalError) {
    struct writer_case {
        const char* what;
        std::function<void(std::string&)> write;
        bool breaks;
    };
    const std::vector<writer_case> cases = {
        {"appends its row", [](std::string& out) { out += "(2)"; }, false},
        {"clears the statement", [](std::string& out) { out.clear(); }, true},
        {"cuts into the row before", [](std::string& out) { out.resize(out.size() - 3); }, true},
    };
    for (const writer_case& c : cases) {
        SCOPED_TRACE(c.what);
        kept_statements sink;
        sql_insert_batcher batch(sink, 1 << 20);
        batch.set_head("INSERT INTO `t`(`a`) VALUES");
        batch.append(1, [](std::string& out) { out += "(1)"; });
        const std::string error = internal_error_of([&] { batch.append(2, c.write); });
        if (c.breaks) {
            EXPECT_EQ(error.rfind("Internal error", 0), 0u) << error;
            EXPECT_TRUE(sink.sent.empty());
        } else {
            EXPECT_EQ(error, "");
            batch.flush();
            EXPECT_EQ(sink.sent, std::vector<std::string>{"INSERT INTO `t`(`a`) VALUES(1), (2)"});
        }
    }
}

}  // namespace
