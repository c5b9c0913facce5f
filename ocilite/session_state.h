// What one session (a loader run, or one logon of the client library) carries between its
// statements: the current user and each sequence's CURRVAL.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace ocilite {

struct session_state {
    std::string user;                        // USER; CONNECT switches it
    std::map<std::string, int64_t> currval;  // sequence name -> the last NEXTVAL this session took
    std::ostream* output = nullptr;          // DBMS_OUTPUT lines and query rows; null: dropped
    bool server_output = false;              // SET SERVEROUTPUT ON
    std::vector<std::string> notes;          // what a statement did not do in full, for the user
};

}  // namespace ocilite
