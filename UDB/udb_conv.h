// The database-neutral layer of the product converter: overwrite mode, progress counters,
// table selection, custom and stored queries and the generic options, with their part of
// a profile ("Available Queries", "Selected Tables", "Generic settings").
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "TK/tk_threa.h"
#include "UDB/udb_overwrite.h"
#include "UDB/udb_prof.h"
#include "compat/text/text.h"

class udb_converter : public tk_converter {
public:
    using query_map = std::map<compat::wstring, compat::wstring>;

    udb_converter();
    ~udb_converter() override;

    // Whether the source accepts the text as a query; given by the product converter.
    virtual bool test_query(const compat::wstring& text) = 0;

    void set_mode(udb_overwrite_mode mode);
    udb_overwrite_mode get_mode() const { return mode_; }

    // Adds the generic keys; a key the profile already holds keeps its value. True.
    bool store_profile(udb_profile& profile) const;
    // Applies the generic keys; missing or unusable values leave the settings as they were.
    // Values are trimmed first; the mode takes only '0' to '4'; flags are off for "0" and on
    // for any other text. A log file that set_logfile refuses raises its error and leaves
    // the load unfinished. True.
    bool load_profile(const udb_profile& profile);

    // The table being converted, read by the progress display on another thread.
    void set_current_table(const compat::wstring& name);
    compat::wstring get_current_table() const;

    // Progress of a run, written by the run and read by the progress display.
    std::atomic<uint32_t> records_in_table{0};
    std::atomic<uint32_t> record_index{0};
    std::atomic<int32_t> table_count{0};
    std::atomic<int32_t> tables_done{0};

    // Tables chosen without a custom query, in the order chosen.
    std::vector<compat::wstring> selected_tables;
    // Table name -> custom SELECT (empty: the table is read whole); the run converts in
    // this map's order.
    query_map table_map;
    // The wizard's view selection; the run does not read it.
    query_map views;
    // The user's stored, named queries.
    query_map available_queries;
    bool tab_def = false;        // only definitions, no rows
    bool skip_idx = false;       // tables without their indexes
    bool convert_views = false;  // from the registry settings
    // Kept for the product converter; no generic behaviour is attached to it.
    compat::wstring aux_text;

protected:
    udb_overwrite_mode mode_ = udb_overwrite_mode::replace_database;

private:
    mutable std::mutex current_mutex_;
    compat::wstring current_table_;
};
