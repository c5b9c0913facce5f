// The table-names file reader on arbitrary bytes: no crash, and every name it gives is a
// non-empty line of the file (no line is cut, split or invented, and none is empty).
#include <cstdint>
#include <sstream>
#include <string>

#include "app/console/con_tabf.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream in(bytes);
    const auto names = con_read_table_names(in);

    size_t lines = 0;
    std::istringstream count(bytes);
    std::string line;
    bool first = true;
    while (std::getline(count, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        // the signature of the first line is no part of a name, and alone it names nothing
        if (first && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
        first = false;
        if (line.empty()) continue;
        ++lines;
    }
    MG_FUZZ_CHECK(names.size() == lines, "one name per non-empty line");
    for (const auto& n : names)
        for (char16_t c : n) MG_FUZZ_CHECK(c != u'\n', "no line feed inside a name");
    return 0;
}
