// Reading and printing a cell happen once per value for millions of rows: the common
// number and date paths must not touch the heap.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "values/ole_var.h"

namespace {
std::atomic<long> g_allocations{0};
}

// The replacements pair malloc with free; GCC cannot see that through the replacement.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
    ++g_allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

struct counted {
    long before = g_allocations.load();
    long used() const { return g_allocations.load() - before; }
};

TEST(HotPaths, TheCounterCounts) {
    counted n;
    std::string text = ole_variant(1.5).to_string();  // longer than the small-string buffer
    EXPECT_GT(n.used(), 0);
    EXPECT_EQ(text.size(), 21u);
}

TEST(HotPaths, ReadingCommonCellsDoesNotAllocate) {
    struct {
        const char* text;
        VARTYPE type;
    } cases[] = {{"12345.678", VT_DECIMAL},
                 {"-.5", VT_R8},
                 {"1,5", VT_R8},
                 {"123", VT_I4},
                 {"7", VT_I8},
                 {"12.5", VT_CY},
                 {"2004-05-06 10:11:12", VT_DATE},
                 {"06-MAY-2004", VT_DATE},
                 {"10:11:12.5", VT_DATE}};
    for (const auto& c : cases) {
        std::string text(c.text);
        compat::wstring wide(text.begin(), text.end());
        counted n;
        ole_variant a = ole_variant::from_string(text, c.type);
        ole_variant b = ole_variant::from_wstring(wide, c.type);
        long used = n.used();
        EXPECT_EQ(used, 0) << c.text;
        EXPECT_EQ(a.get_type(), c.type);
        EXPECT_EQ(b.get_type(), c.type);
    }
}

TEST(HotPaths, AppendingLiteralBodiesDoesNotAllocate) {
    SYSTEMTIME st{2004, 5, 0, 6, 10, 11, 12, 0};
    const ole_variant values[] = {
        ole_variant(1.5), ole_variant(2.5f),       ole_variant(-7),
        ole_variant(9LL), ole_variant(CY{-12345}), ole_variant::from_string("-1234567890.123456789", VT_DECIMAL),
        ole_variant(st),  ole_variant(true)};
    std::string out;
    out.reserve(4096);
    counted n;
    for (const ole_variant& v : values) {
        v.append_string(out);
        out += ',';
    }
    long used = n.used();
    EXPECT_EQ(used, 0);
    EXPECT_EQ(out, "1.500000000000000e+00,2.500000e+00,-7,9,-1.2345,-1234567890.123456789,2004-05-06 10:11:12,1,");
}

}  // namespace
