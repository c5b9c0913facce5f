// Reads the CREATE TABLE text that the server shows for a table. Foreign keys of the
// destination are not read back: the text is only split into its lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "compat/text/text.h"

class udb_relationships;

class sql_fk_parser {
public:
    sql_fk_parser(const compat::wstring& table_name, std::string_view create_text);

    // Leaves the relationship list unchanged.
    void do_parse(udb_relationships& relationships);

    const compat::wstring& table_name() const { return table_name_; }
    const std::vector<std::string>& chunks() const { return chunks_; }

private:
    compat::wstring table_name_;
    std::vector<std::string> chunks_;
};
