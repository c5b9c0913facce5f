#include "app/qrn_conv.h"

#include "TK/tk_trace.h"
#include "TK/tk_utils.h"
#include "compat/text/format.h"

using compat::wstring;

namespace {
constexpr const char16_t* key_direct = u"direct mode";
constexpr const char16_t* key_case = u"case sensitive";

void load_exact_one(const udb_profile& p, const char16_t* key, bool& flag) {
    const wstring v = p.get_value(qrn_sec_mysql, key);
    if (!v.empty()) flag = v == u"1";
}
}  // namespace

quarnel_convertor::quarnel_convertor(qrn_front_end& front)
    : front_(front), key_(qrn_registry_key), program_(front.program()) {
    tk_log::log(2, "quarnel_convertor::ctor");
    if (program_ == qrn_program::console) {
        serialize_dump_options(false);
        mysql_direct_ = true;
        case_sensitive_ = false;
    } else {
        serialize(false);
    }
}

quarnel_convertor::~quarnel_convertor() {
    tk_log::log(2, "quarnel_convertor::dtor");
    if (program_ == qrn_program::wizard) {
        try {
            serialize(true);
        } catch (const std::exception& e) {
            // a destructor never throws; the settings of this session are lost
            tk_log::log(3, "Cannot store the settings: %s", e.what());
        }
    }
    key_.close();
}

bool quarnel_convertor::test_query(const wstring& text) {
    return oracle_converter_impl::test_query(ora_db_name_, ora_user_, ora_password_, text);
}

bool quarnel_convertor::load_profile(const wstring& path) {
    // A profile that cannot be used refuses the run: going on without it would run with
    // defaults the user did not choose (mode 0 drops the destination database).
    try {
        udb_profile profile;
        if (!profile.load(path)) throw tk_exception(profile.load_error(), 1);
        bool ok = udb_converter::load_profile(profile);
        ok = oracle_converter_impl::load_profile(profile) && ok;
        ok = mysql_converter_impl::load_profile(profile) && ok;
        load_exact_one(profile, key_direct, mysql_direct_);
        load_exact_one(profile, key_case, case_sensitive_);
        return ok;
    } catch (const tk_exception& e) {
        if (e.level() != 1) throw;
        throw tk_exception(compat::format("Cannot use the profile '%s': %s", tk_to_narrow(path), e.message()), e.code(),
                           1);
    }
}

bool quarnel_convertor::store_profile(const wstring& path) {
    udb_profile profile;
    bool ok = udb_converter::store_profile(profile);
    ok = oracle_converter_impl::store_profile(profile) && ok;
    ok = mysql_converter_impl::store_profile(profile) && ok;
    profile.set_value(qrn_sec_mysql, key_direct, mysql_direct_ ? u"1" : u"0");
    profile.set_value(qrn_sec_mysql, key_case, case_sensitive_ ? u"1" : u"0");
    if (!ok) return false;
    return profile.store(path);
}

wstring quarnel_convertor::get_title() {
    return u"Marrowgate " + compat::wformat(u"%d.%d", qrn_version_major, qrn_version_minor);
}

std::vector<wstring> quarnel_convertor::get_all_tables() const {
    tk_log::log(2, "quarnel_convertor::get_all_tables");
    if (!source_db_) tk_fail(tk_where::qrn_conv, 91);
    return source_db_->get_table_names();
}

void quarnel_convertor::get_all_views(udb_views& views) const {
    tk_log::log(2, "quarnel_converter::get_all_views");
    if (!source_db_) tk_fail(tk_where::qrn_conv, 91);
    views = source_db_->get_queries();
}

bool quarnel_convertor::can_create_views() {
    tk_log::log(2, "quarnel_converter::can_create_views");
    if (!mysql_direct_) return true;
    return sql_engine_.version() > 0x50000;
}
