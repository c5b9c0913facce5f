#include "tests/ORA/ora_fixture.h"

namespace ora_test {

const test_support::store_folder& stores() {
    static const test_support::store_folder folder("ora-test");
    return folder;
}

void build_store(const std::string& service, const std::string& script) {
    stores().build(service, std::string(MG_ORA_FIXTURES) + "/" + script);
}

namespace {
void* hook(const char* name) {
    // The engine keeps the library loaded; opening it again only adds a reference.
    static compat::oci_loader loader(test_support::ocilite_lib());
    return loader.find_symbol(name);
}
}  // namespace

unsigned long long round_trips() {
    auto f = reinterpret_cast<unsigned long long (*)()>(hook("ocilite_round_trips"));
    return f ? f() : 0;
}

long long open_params() {
    auto f = reinterpret_cast<long long (*)()>(hook("ocilite_open_params"));
    return f ? f() : -1;
}

long long misuses() {
    auto f = reinterpret_cast<long long (*)()>(hook("ocilite_misuses"));
    return f ? f() : -1;
}

void inject_error(const char* kind, int n, int code) {
    auto f = reinterpret_cast<void (*)(const char*, int, int)>(hook("ocilite_inject_error"));
    if (f) f(kind, n, code);
}

std::vector<std::vector<ole_variant>> read_all(udb_recordset& rs) {
    std::vector<std::vector<ole_variant>> rows;
    rs.reset();
    while (!rs.is_eof()) {
        udb_record* record = rs.get_item();
        if (!record) break;
        std::vector<ole_variant> row;
        for (const auto& f : *record) row.push_back(static_cast<const ole_variant&>(*f));
        rows.push_back(std::move(row));
        rs.next();
    }
    return rows;
}

void client::SetUp() {
    stores().use_in_process();
    dates_ = std::make_unique<ora_date_processor>();
    engine_ = std::make_unique<ora_engine>();
}

void client::TearDown() {
    engine_.reset();
    dates_.reset();
}

std::unique_ptr<ora_database> client::connect(const std::string& service, const char16_t* user,
                                              const char16_t* password) {
    return engine_->open_db(compat::utf8_to_utf16(service), user, password);
}

}  // namespace ora_test
