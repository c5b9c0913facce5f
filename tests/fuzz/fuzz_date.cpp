// The date parser on arbitrary text, narrow and wide: no crash, and a valid value prints a
// text that reads back as the same value of the same kind.
#include <cstdint>
#include <string>
#include <string_view>

#include "compat/text/text.h"
#include "tests/fuzz/fuzz_check.h"
#include "values/ole_date.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ole_date narrow(text);
    const ole_date wide(compat::utf8_to_utf16(text));
    if (!narrow.is_valid()) return 0;

    const std::string printed = narrow.to_string();
    MG_FUZZ_CHECK(!printed.empty(), text);
    const ole_date again(printed);
    MG_FUZZ_CHECK(again.is_valid(), printed);
    MG_FUZZ_CHECK(again.to_string() == printed, printed);
    // A date and time at midnight prints as the date alone by design; the 14-digit form
    // keeps it a date and time, and the text then reads back as a date.
    const bool midnight = narrow.get_kind() == date_kind::datetime && printed.size() == 10;
    if (!midnight) MG_FUZZ_CHECK(again.get_kind() == narrow.get_kind(), printed);
    return 0;
}
