// Texts crossing the OCI boundary: UTF-16 in a UTF-16 environment, else UTF-8; lengths are
// always in bytes. Fetch buffers are written in place, without building strings per value.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "compat/oci/oci.h"

namespace ocilite {

// A client text argument (pointer and byte length) as UTF-16.
std::u16string text_in(bool utf16, const OraText* text, ub4 length_bytes);
// A text in the client's encoding, as bytes.
std::string text_out(bool utf16, std::u16string_view text);

// Writes characters into a caller's buffer of fixed capacity, never splitting a character,
// and keeps counting the full length once the buffer is full (for truncation reports).
class text_writer {
public:
    text_writer(bool utf16, void* buffer, size_t capacity_bytes)
        : utf16_(utf16), out_(static_cast<unsigned char*>(buffer)), capacity_(capacity_bytes) {}

    void put(char32_t code_point);
    void put_ascii(const char* text, size_t length);
    void put_utf8(const unsigned char* text, size_t length);
    void put_utf16(const char16_t* text, size_t units);

    size_t written() const { return written_; }  // bytes in the buffer
    size_t total() const { return total_; }      // bytes the whole text needs
    bool truncated() const { return total_ > written_; }
    size_t unit_size() const { return utf16_ ? 2 : 1; }

private:
    void put_unit_bytes(const unsigned char* bytes, size_t count);
    void put_ascii_run(const unsigned char* text, size_t length);  // one unit per byte

    bool utf16_;
    unsigned char* out_;
    size_t capacity_;
    size_t written_ = 0;
    size_t total_ = 0;
    bool full_ = false;  // once a character did not fit, nothing after it is written
};

}  // namespace ocilite
