#include "ocilite/oci_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "compat/text/text.h"

namespace ocilite {

std::u16string text_in(bool utf16, const OraText* text, ub4 length_bytes) {
    if (!text || length_bytes == 0) return {};
    if (utf16) {
        std::u16string out(length_bytes / 2, u'\0');
        std::memcpy(out.data(), text, out.size() * 2);
        return out;
    }
    return compat::utf8_to_utf16(std::string_view(reinterpret_cast<const char*>(text), length_bytes));
}

std::string text_out(bool utf16, std::u16string_view text) {
    if (!utf16) return compat::utf16_to_utf8(text);
    std::string out(text.size() * 2, '\0');
    std::memcpy(out.data(), text.data(), out.size());
    return out;
}

void text_writer::put_unit_bytes(const unsigned char* bytes, size_t count) {
    total_ += count;
    if (full_) return;
    if (written_ + count > capacity_) {
        full_ = true;
        return;
    }
    std::memcpy(out_ + written_, bytes, count);
    written_ += count;
}

void text_writer::put(char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (utf16_) {
        char16_t units[2];
        size_t n = 1;
        if (cp >= 0x10000) {
            units[0] = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            units[1] = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            n = 2;
        } else {
            units[0] = static_cast<char16_t>(cp);
        }
        put_unit_bytes(reinterpret_cast<const unsigned char*>(units), n * 2);
        return;
    }
    unsigned char b[4];
    size_t n;
    if (cp < 0x80) {
        b[0] = static_cast<unsigned char>(cp);
        n = 1;
    } else if (cp < 0x800) {
        b[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
        b[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        n = 2;
    } else if (cp < 0x10000) {
        b[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
        b[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
        b[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        n = 3;
    } else {
        b[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
        b[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
        b[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
        b[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        n = 4;
    }
    put_unit_bytes(b, n);
}

void text_writer::put_ascii(const char* text, size_t length) {
    if (!utf16_) {
        put_unit_bytes(reinterpret_cast<const unsigned char*>(text), length);
        return;
    }
    // one unit per byte, whole units only, exactly as a call per character would write them
    put_ascii_run(reinterpret_cast<const unsigned char*>(text), length);
}

void text_writer::put_ascii_run(const unsigned char* s, size_t n) {
    const size_t unit = unit_size();
    total_ += n * unit;
    if (full_) return;
    // as many whole characters as fit, as put() would write them one by one
    const size_t fit = std::min(n, (capacity_ - written_) / unit);
    if (unit == 1) {
        if (fit) std::memcpy(out_ + written_, s, fit);  // out_ may be null at capacity 0
    } else {
        unsigned char* out = out_ + written_;
        size_t i = 0;
#if defined(__SSE2__)
        // sixteen bytes widened to sixteen little-endian units at a time
        const __m128i zero = _mm_setzero_si128();
        for (; i + 16 <= fit; i += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_unpacklo_epi8(bytes, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 16), _mm_unpackhi_epi8(bytes, zero));
        }
#endif
        for (; i < fit; ++i) {
            const char16_t u = s[i];
            std::memcpy(out + 2 * i, &u, 2);
        }
    }
    written_ += fit * unit;
    if (fit < n) full_ = true;
}

void text_writer::put_utf8(const unsigned char* s, size_t n) {
    size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            // Most fetched text is ASCII: copy a run at once instead of a call per byte.
            size_t j = i + 1;
            // eight bytes at a time while none has its high bit set
            for (uint64_t word; j + 8 <= n; j += 8) {
                std::memcpy(&word, s + j, 8);
                if (word & 0x8080808080808080ull) break;
            }
            while (j < n && s[j] < 0x80) ++j;
            put_ascii_run(s + i, j - i);
            i = j;
            continue;
        }
        size_t len;
        char32_t cp;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            put(0xFFFD);
            ++i;
            continue;
        }
        if (i + len > n) {
            put(0xFFFD);
            break;
        }
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        const bool overlong = (len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
        if (!ok || overlong) {
            put(0xFFFD);
            ++i;
            continue;
        }
        put(cp);
        i += len;
    }
}

void text_writer::put_utf16(const char16_t* s, size_t units) {
    for (size_t i = 0; i < units; ++i) {
        const char16_t u = s[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            put(0x10000 + ((char32_t(u) - 0xD800) << 10) + (s[i + 1] - 0xDC00));
            ++i;
        } else {
            put(u);
        }
    }
}

}  // namespace ocilite
