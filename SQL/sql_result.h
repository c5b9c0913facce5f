// An unbuffered or stored client-library result, owned: freed when it goes out of scope,
// so that the connection is free for the next statement on every road.
#pragma once

#include <mysql.h>

#include <memory>

namespace sql_live {

struct result_free {
    void operator()(MYSQL_RES* r) const { mysql_free_result(r); }
};
using result_ptr = std::unique_ptr<MYSQL_RES, result_free>;

// Character set number of binary data: a result column with it holds bytes, whatever
// its BINARY flag says (the flag is also set for text of a _bin collation).
inline constexpr unsigned binary_charset = 63;
inline constexpr unsigned flag_binary = BINARY_FLAG;

// The field flags with the BINARY bit taken from the column's character set.
inline unsigned effective_flags(const MYSQL_FIELD& f) {
    return (f.flags & ~flag_binary) | (f.charsetnr == binary_charset ? flag_binary : 0u);
}

}  // namespace sql_live
