#include "UDB/udb_sche.h"

#include "TK/tk_trace.h"

using compat::wstring;

t_ftd::t_ftd(int size_, const wstring& name_, VARTYPE vartype_, bool not_null, bool auto_increment,
             const ole_variant& def, int reserved_)
    : size(size_),
      name(name_),
      vartype(vartype_),
      b_auto_increment(auto_increment),
      b_not_null(not_null),
      def_value(def),
      reserved(reserved_) {
    tk_log::log(1, "t_ftd::ctor2");
    tk_log::log(1, u"\tfield name='%s', vartype=%d, size=%d, b_not_null=%d, reserved=%d", name, int(vartype), size,
                int(b_not_null), reserved);
}

t_ftd::t_ftd(const t_ftd& other)
    : size(other.size),
      name(other.name),
      vartype(other.vartype),
      b_auto_increment(other.b_auto_increment),
      b_not_null(other.b_not_null),
      def_value(other.def_value),
      reserved(other.reserved) {}

void udb_schema::push_back(std::unique_ptr<t_ftd> field) { fields_.push_back(std::move(field)); }

bool udb_schema::find_field(const wstring& name) const {
    tk_log::log(1, u"udb_schema::find_field(%s)", name);
    for (const auto& f : fields_) {
        tk_log::log(1, u"Processing %s", f->name);
        if (compat::equal_nocase(f->name, name)) return true;
    }
    return false;
}

int udb_schema::get_field_idx(const wstring& name) const {
    tk_log::log(1, u"udb_schema::get_field_idx(%s)", name);
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (compat::equal_nocase(fields_[i]->name, name)) return static_cast<int>(i);
    }
    return -1;
}

t_ftd& udb_schema::get_field(const wstring& name) const {
    tk_log::log(1, u"udb_schema::find_field(%s)", name);
    for (const auto& f : fields_) {
        if (compat::equal_nocase(f->name, name)) return *f;
    }
    tk_fail(tk_where::udb_sche, 309);
}

int udb_schema::get_field_size(const wstring& name) const {
    tk_log::log(1, u"udb_schema::get_field_size(%s)", name);
    for (const auto& f : fields_) {
        if (compat::equal_nocase(f->name, name)) return f->size;
    }
    tk_fail(tk_where::udb_sche, 339);
}

VARTYPE udb_schema::get_field_type(const wstring& name) const {
    tk_log::log(1, u"udb_schema::get_field_type(%s)", name);
    for (const auto& f : fields_) {
        if (compat::equal_nocase(f->name, name)) return f->vartype;
    }
    tk_fail(tk_where::udb_sche, 355);
}

udb_field::udb_field(const wstring& name_, int size_, const ole_variant& value, bool f1, bool f2)
    : ole_variant(value), size(size_), name(name_), flag1(f1), flag2(f2) {
    tk_log::log(1, "udb_field::ctor #2");
    tk_log::log(1, u"name=%s, size=%d", name, size);
}

VARTYPE udb_field::get_type() const { return ole_variant::get_type(); }

void udb_record::push_back(std::unique_ptr<udb_field> field) { fields_.push_back(std::move(field)); }

bool udb_record::find_field(const wstring& name) const {
    tk_log::log(1, u"udb_record::find_field(%s)", name);
    for (const auto& f : fields_) {
        tk_log::log(1, u"Processing %s", f->name);
        if (compat::equal_nocase(f->name, name)) return true;
    }
    return false;
}
