// A MariaDB server of a test's own (scripts/mariadb-sandbox in a folder of its own), for
// tests that stop the server or change its global settings and so must never touch the
// server the other tests share.
#pragma once

#include <string>

#include "tests/support/proc_run.h"
#include "tests/support/temp_dir.h"

namespace test_support {

class own_server {
public:
    // server_options: given to the server after the sandbox's defaults (they win).
    explicit own_server(const std::string& server_options = "");
    ~own_server();
    own_server(const own_server&) = delete;
    own_server& operator=(const own_server&) = delete;

    bool started() const { return !port_.empty(); }
    const std::string& port() const { return port_; }
    // What the sandbox script said when the server did not start.
    const std::string& failure() const { return failure_; }

    // A clean shutdown; the data folder stays.
    void shut_down();
    // The same data folder on the same port.
    void start_again();

private:
    proc_result sandbox(const char* command, const std::string& server_options = "") const;

    temp_dir parent_;
    std::string dir_;
    std::string port_;
    std::string failure_;
};

}  // namespace test_support
