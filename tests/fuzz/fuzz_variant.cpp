// The variant's from_string per type on arbitrary text (the first byte picks the type):
// no crash, only the documented exception, and for every non-text type the printed value
// reads back as itself (a value is never printed in a form the reader takes differently).
#include <cstdint>
#include <string>
#include <string_view>

#include "compat/text/text.h"
#include "tests/fuzz/fuzz_check.h"
#include "values/ole_var.h"

namespace {

constexpr VARTYPE types[] = {VT_I1,   VT_UI1,        VT_I2,   VT_UI2, VT_I4,      VT_UI4,  VT_I8,
                             VT_UI8,  VT_R4,         VT_R8,   VT_CY,  VT_DECIMAL, VT_DATE, VT_BOOL,
                             VT_BLOB, VT_BYTE_ARRAY, VT_BSTR, VT_INT, VT_UINT};

bool read(std::string_view text, VARTYPE type, ole_variant& out) {
    try {
        out = ole_variant::from_string(text, type);
        return true;
    } catch (const ole_type_exception&) {
        return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const VARTYPE type = types[data[0] % std::size(types)];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    try {
        (void)ole_variant::from_wstring(compat::utf8_to_utf16(text), type);
    } catch (const ole_type_exception&) {
    }
    ole_variant value;
    if (!read(text, type, value)) return 0;

    if (type == VT_BSTR) {
        MG_FUZZ_CHECK(value.get_type() == VT_BSTR, text);
        MG_FUZZ_CHECK(value.to_wstring() == compat::ansi_to_utf16(text), text);
        return 0;
    }
    if (type == VT_BLOB || type == VT_BYTE_ARRAY) return 0;

    const std::string printed = value.to_string();
    if (value.get_type() == VT_EMPTY) return 0;
    ole_variant again;
    MG_FUZZ_CHECK(read(printed, type, again), printed);
    MG_FUZZ_CHECK(again.to_string() == printed, printed + " -> " + again.to_string());
    return 0;
}
