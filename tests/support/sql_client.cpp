#include "tests/support/sql_client.h"

#include <cstdlib>
#include <stdexcept>

namespace test_support {

sql_client::sql_client(unsigned port) : mysql_(mysql_init(nullptr)) {
    if (!mysql_) throw std::runtime_error("mysql_init failed");
    if (!mysql_real_connect(mysql_, "127.0.0.1", "root", "", nullptr, port, nullptr, 0)) {
        std::string why = mysql_error(mysql_);
        mysql_close(mysql_);  // the destructor does not run for a throwing constructor
        throw std::runtime_error("cannot connect: " + why);
    }
    mysql_set_character_set(mysql_, "utf8mb4");
}

sql_client::~sql_client() { mysql_close(mysql_); }

void sql_client::exec(const std::string& sql) {
    if (mysql_real_query(mysql_, sql.data(), sql.size()) != 0)
        throw std::runtime_error(sql + ": " + mysql_error(mysql_));
    if (MYSQL_RES* r = mysql_store_result(mysql_)) mysql_free_result(r);
}

std::vector<std::vector<std::string>> sql_client::rows(const std::string& sql) {
    if (mysql_real_query(mysql_, sql.data(), sql.size()) != 0)
        throw std::runtime_error(sql + ": " + mysql_error(mysql_));
    std::vector<std::vector<std::string>> out;
    MYSQL_RES* r = mysql_store_result(mysql_);
    if (!r) return out;
    const unsigned n = mysql_num_fields(r);
    while (MYSQL_ROW row = mysql_fetch_row(r)) {
        unsigned long* len = mysql_fetch_lengths(r);
        std::vector<std::string> v;
        for (unsigned i = 0; i < n; ++i) v.push_back(row[i] ? std::string(row[i], len[i]) : "NULL");
        out.push_back(std::move(v));
    }
    mysql_free_result(r);
    return out;
}

std::string sql_client::scalar(const std::string& sql) {
    auto r = rows(sql);
    return r.empty() ? "<no row>" : r[0][0];
}

}  // namespace test_support
