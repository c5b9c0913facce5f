#include "ORA/ora_qres.h"

#include "ORA/ora_engi.h"
#include "TK/tk_trace.h"

namespace {

// A parameter descriptor from OCIParamGet, freed when its scope ends.
class param_holder {
public:
    param_holder(const compat::oci_functions& f, void* param) : f_(f), param_(param) {}
    ~param_holder() {
        if (param_) f_.OCIDescriptorFree(param_, OCI_DTYPE_PARAM);
    }
    param_holder(const param_holder&) = delete;
    param_holder& operator=(const param_holder&) = delete;

private:
    const compat::oci_functions& f_;
    void* param_;
};

}  // namespace

ora_query_results::ora_query_results(int column_count_hint, const compat::wstring& query)
    : udb_recordset(compat::wstring()) {
    tk_log::log(1, "ora_query_results::ctor(1)");
    initialize(column_count_hint, query);
}

ora_query_results::ora_query_results(const compat::wstring& name, const compat::wstring& query)
    : udb_recordset(name, query) {
    tk_log::log(1, "ora_query_results::ctor(2)");
}

ora_query_results::~ora_query_results() {
    tk_log::log(1, "ora_query_results::dtor");
    current_.reset();
    tk_log::log(1, "Step #1");
    for (size_t i = 0; i < columns_.size(); ++i) {
        columns_[i].reset();
        tk_log::log(1, "Step #2.%d", static_cast<int>(i));
    }
    tk_log::log(1, "ora_query_results::dtor - at the END");
    columns_.clear();
}

std::unique_ptr<ora_type> ora_query_results::gen_co_by_type(OCIParam* param, int code) {
    tk_log::log(1, "ora_query_results::gen_co_by_type(%d)", code);
    return ora_make_column(param, code);
}

void ora_query_results::initialize(int column_count_hint, const compat::wstring& query) {
    tk_log::log(2, u"ora_query_results::initialize(%d, %s)", column_count_hint, query);
    if (initialized_) tk_fail(tk_where::ora_qres, 99);
    ora_engine& e = ora_engine::instance();
    const compat::oci_functions& f = e.oci();
    column_count_ = column_count_hint;
    {
        ora_stmt describe;
        describe.prepare(query);
        describe.execute(0, OCI_DEFAULT);
        if (column_count_ == 0) {
            ub4 count = 0;
            e.check_status(
                f.OCIAttrGet(describe.get(), OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, e.err()));
            column_count_ = static_cast<int>(count);
        }
        for (int position = 1; position <= column_count_; ++position) {
            tk_log::log(1, "Processing column #%d", position);
            void* param = nullptr;
            e.check_status(f.OCIParamGet(describe.get(), OCI_HTYPE_STMT, e.err(), &param, static_cast<ub4>(position)));
            // Every descriptor OCIParamGet hands out is the caller's to free, on every path.
            const param_holder held(f, param);
            ub4 code = 0;
            e.check_status(f.OCIAttrGet(param, OCI_DTYPE_PARAM, &code, nullptr, OCI_ATTR_DATA_TYPE, e.err()));
            columns_.push_back(gen_co_by_type(static_cast<OCIParam*>(param), static_cast<int>(code & 0xFFFF)));
            schema_.push_back(columns_.back()->get_ftd());
        }
    }
    stmt_.prepare(query);
    stmt_.set_prefetch();
    for (size_t i = 0; i < columns_.size(); ++i) columns_[i]->define(stmt_.get(), static_cast<int>(i) + 1);
    stmt_.execute(0, OCI_DEFAULT);
    initialized_ = true;
}

void ora_query_results::append_record(const udb_record&) {
    tk_log::log(1, "ora_query_results::append_record");
    tk_fail(tk_where::ora_qres, 54);
}

sword ora_query_results::fetch_row() { return stmt_.fetch(); }

bool ora_query_results::is_eof() {
    tk_log::log(1, "ora_query_results::is_eof");
    if (!initialized_) tk_fail(tk_where::ora_qres, 86);
    fetched_ = true;
    return fetch_row() == OCI_NO_DATA;
}

udb_record* ora_query_results::get_item() {
    tk_log::log(1, "ora_query_results::get_item");
    if (!fetched_) {
        tk_log::log(1, "fetch wasn't called yet");
        if (fetch_row() == OCI_NO_DATA) {
            tk_log::log(2, "status == OCI_NO_DATA!");
            return nullptr;
        }
    }
    fetched_ = false;
    if (!current_) current_ = std::make_unique<ora_record>(columns_);
    try {
        current_->refill(columns_);
    } catch (...) {
        // A row that could not be read leaves no record behind, half old and half new.
        current_.reset();
        throw;
    }
    return current_.get();
}
