#include "tests/support/own_server.h"

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "tests/support/files.h"

namespace test_support {

using namespace std::chrono_literals;

// Output goes to a file: the server started in the background keeps the script's streams.
proc_result own_server::sandbox(const char* command, const std::string& server_options) const {
    const std::string script = std::string(MG_SOURCE_DIR) + "/scripts/mariadb-sandbox";
    return run_process({"/bin/sh", "-c",
                        "MG_SANDBOX_DIR=" + sh_quoted(dir_) +
                            " MG_SANDBOX_SERVER_OPTIONS=" + sh_quoted(server_options) + " " + sh_quoted(script) + " " +
                            command + " >>" + sh_quoted(dir_ + ".log") + " 2>&1 </dev/null"});
}

// The sandbox folder is made by the script inside a folder of this object's own.
own_server::own_server(const std::string& server_options) : parent_("mg-own-server"), dir_(parent_.file("sandbox")) {
    proc_result r = sandbox("start", server_options);
    std::string port = read_file(dir_ + "/port");
    while (!port.empty() && (port.back() == '\n' || port.back() == '\r')) port.pop_back();
    if (r.code != 0 || port.empty())
        failure_ = "mariadb-sandbox start failed: " + read_file(dir_ + ".log");
    else
        port_ = port;
}

own_server::~own_server() { sandbox("stop"); }

void own_server::shut_down() {
    const pid_t pid = std::atoi(read_file(dir_ + "/pid").c_str());
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 600; ++i) {
        const char state = process_state(pid);
        if (state == 0 || state == 'Z') return;
        std::this_thread::sleep_for(50ms);
    }
    kill(pid, SIGKILL);
}

void own_server::start_again() { sandbox("resume"); }

}  // namespace test_support
