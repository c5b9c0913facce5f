// A read-only recordset over one Oracle SELECT: describes its columns, makes one column
// object and one field descriptor per column, binds the buffers once, executes, and hands
// out the rows one at a time. The catalog code reads the dictionary through it and the
// table reader derives from it.
#pragma once

#include <memory>

#include "ORA/ora_type.h"
#include "ORA/ora_util.h"
#include "UDB/udb_db.h"

class ora_query_results : public udb_recordset {
public:
    // Describes, defines and executes query at once. A hint of 0 asks the server for the
    // column count.
    ora_query_results(int column_count_hint, const compat::wstring& query);
    // Runs nothing: the owner calls initialize.
    ora_query_results(const compat::wstring& name, const compat::wstring& query);
    ~ora_query_results() override;

    void initialize(int column_count_hint, const compat::wstring& query);

    void append_record(const udb_record& record) override;
    // Fetches the next row; true when there was none.
    bool is_eof() override;
    // The row fetched by is_eof (or the next one when none waits); null at the end. The
    // record stays the result's until the next call.
    udb_record* get_item() override;
    bool refills_item() const override { return true; }
    void next() override {}
    void prev() override {}
    void reset() override {}

    static std::unique_ptr<ora_type> gen_co_by_type(OCIParam* param, int code);

    int column_count() const { return column_count_; }
    const ora_columns& columns() const { return columns_; }
    ora_columns& columns() { return columns_; }
    bool is_initialized() const { return initialized_; }

protected:
    // Fetches one row; a fetch error raises.
    sword fetch_row();
    void set_fetched(bool fetched) { fetched_ = fetched; }

private:
    bool fetched_ = false;
    int column_count_ = 0;
    bool initialized_ = false;
    ora_stmt stmt_;
    // Declared after the statement: the define handles go before their statement.
    ora_columns columns_;
    std::unique_ptr<ora_record> current_;
};
