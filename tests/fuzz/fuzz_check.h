// A failed property in a fuzz target: the message on standard error, then abort, so the
// fuzzer keeps the input as a crash reproducer.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace mg_fuzz {

[[noreturn]] inline void fail(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "property failed: %s [%.*s]\n", what, static_cast<int>(detail.size()), detail.data());
    std::abort();
}

// The input split at NUL bytes into at most `max_parts` texts.
inline std::vector<std::string> split_nul(const unsigned char* data, size_t size, size_t max_parts) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            if (parts.size() == max_parts) break;
            parts.emplace_back();
        } else {
            parts.back() += static_cast<char>(data[i]);
        }
    }
    return parts;
}

}  // namespace mg_fuzz

#define MG_FUZZ_CHECK(cond, detail)                    \
    do {                                               \
        if (!(cond)) ::mg_fuzz::fail(#cond, (detail)); \
    } while (0)
