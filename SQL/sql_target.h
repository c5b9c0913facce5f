// Where a table's statements go: a live server (character sets and limits by its version)
// or a dump file, which must load on any server from 4.1 (its text columns take utf8mb4
// through a versioned comment, so they are counted at 4 bytes a character).
#pragma once

enum class sql_target { server, dump };
