// What a run does with a destination database that exists already. Profiles store the
// number; the command line takes 0 to 3, the wizard's dialog all five.
#pragma once

enum class udb_overwrite_mode : int {
    replace_database = 0,  // the whole database is dropped and made again
    replace_tables = 1,    // each table that exists is dropped and made again
    skip_tables = 2,       // a table that exists is left as it is
    merge = 3,             // rows are added to a table that exists; a duplicate key skips its row
    synchronize = 4,       // as merge, but a duplicate key updates the row that is there
};
