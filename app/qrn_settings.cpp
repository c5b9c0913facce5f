// The converter's registry settings, in the order in which they are read and written.
#include <filesystem>

#include "TK/tk_trace.h"
#include "app/qrn_conv.h"

using compat::wstring;

namespace {

// One pass over the key. Loading gives each variable its default first (where it has one);
// a value that is missing, of another type, or an empty string keeps the variable and
// makes the pass fail; the pass goes on with the next value.
class reg_pass {
public:
    reg_pass(tk_reg_key& key, bool store) : key_(key), store_(store) {}

    void flag(const char* name, bool& v, bool def) {
        if (!store_) v = def;
        ok_ = key_.exchange(name, v, store_) && ok_;
    }
    void flag(const char* name, bool& v) { ok_ = key_.exchange(name, v, store_) && ok_; }
    void number(const char* name, int& v, int def) {
        if (!store_) v = def;
        ok_ = key_.exchange(name, v, store_) && ok_;
    }
    void text(const char* name, std::string& v, const char* def = nullptr) {
        if (store_) {
            ok_ = key_.exchange(name, v, true) && ok_;
            return;
        }
        if (def) v = def;
        std::string read;
        if (key_.exchange(name, read, false) && !read.empty())
            v = std::move(read);
        else
            ok_ = false;
    }
    void text(const char16_t* name, wstring& v, const char16_t* def = nullptr) {
        if (store_) {
            ok_ = key_.exchange(name, v, true) && ok_;
            return;
        }
        if (def) v = def;
        wstring read;
        if (key_.exchange(name, read, false) && !read.empty())
            v = std::move(read);
        else
            ok_ = false;
    }
    bool ok() const { return ok_; }

private:
    tk_reg_key& key_;
    bool store_;
    bool ok_ = true;
};

bool open_key(tk_reg_key& key) { return key.open(compat::reg_current_user(), key.key_path()) == compat::ERROR_SUCCESS; }

void dump_values(reg_pass& pass, dmp_options& d) {
    pass.number("dmp_line_br", d.line_break, 0);
    pass.flag("dmp_new_ver", d.new_version, true);
    pass.flag("dmp_loc_wri", d.lock_tables, true);
    pass.flag("dmp_ins_com", d.comments, true);
    pass.flag("dmp_ins_db", d.create_database, false);
    pass.flag("dmp_ins_tab", d.create_table, true);
}

}  // namespace

bool quarnel_convertor::serialize(bool store) {
    tk_log::log(1, "serialize( %d )", store ? 1 : 0);
    if (!open_key(key_)) return false;
    reg_pass pass(key_, store);
    dump_values(pass, dump_opts_);
    pass.flag("case sensitive", case_sensitive_, false);
    pass.flag("convert_views", convert_views, true);
    wstring dest = destination_name();
    pass.text(u"dest", dest);
    set_destination_name(dest);
    pass.text("host", my_host_);
    pass.flag("mysql direct", mysql_direct_, true);
    pass.text(u"oraclei", ora_host_);
    pass.text(u"oraclep", ora_password_);
    pass.text(u"oracleu", ora_user_);
    pass.text("port", my_port_, "3306");
    pass.text(u"port2", ora_port_, u"1521");
    pass.text("pswd", my_password_);
    if (!store) my_password_given_ = !my_password_.empty();
    pass.flag("skip_idx", skip_idx, false);
    wstring src = source_name();
    pass.text(u"src", src);
    set_source_name(src);
    pass.flag("tab_def", tab_def, false);
    pass.text("user", my_user_);
    return pass.ok();
}

bool quarnel_convertor::serialize_dump_options(bool store) {
    tk_log::log(1, "serialize( %d )", store ? 1 : 0);
    // Reading must not create the store: the console program only reads it, and a missing
    // store leaves every dump setting at its default.
    std::error_code ec;
    if (!store &&
        !std::filesystem::exists(compat::reg_key_file(compat::reg_current_user()->folder(), key_.key_path()), ec))
        return false;
    if (!open_key(key_)) return false;
    reg_pass pass(key_, store);
    dump_values(pass, dump_opts_);
    const bool ok = pass.ok();
    key_.close();
    return ok;
}
