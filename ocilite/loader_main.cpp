// ocilite-load [-D NAME=VALUE]... STORE.sqlite [SCRIPT.sql...] [[--] ARG...]: builds or extends a
// store from SQL*Plus scripts, or from standard input when no script is given. ARGs are the
// scripts' &1, &2, ...
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "ocilite/sqlplus_script.h"
#include "ocilite/store.h"

namespace {

constexpr const char* usage =
    "usage: ocilite-load [-D NAME=VALUE]... STORE.sqlite [SCRIPT.sql...] [[--] ARG...]\n"
    "  runs SQL*Plus scripts (standard input without scripts) into the store;\n"
    "  -D gives a substitution variable (&NAME), ARGs are &1, &2, ...\n";

bool is_script(const std::string& arg) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(arg, ec)) return true;
    std::string ext = std::filesystem::path(arg).extension().string();
    for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".sql";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::pair<std::string, std::string>> defines;
    std::string store;
    std::vector<std::string> scripts, args;
    bool positional = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (positional) {
            args.push_back(a);
        } else if (a == "--help" || a == "-h") {
            std::cerr << usage;
            return 2;
        } else if (a == "--") {
            positional = true;
        } else if (a.rfind("-D", 0) == 0) {
            std::string d = a.size() > 2 ? a.substr(2) : (i + 1 < argc ? argv[++i] : "");
            size_t eq = d.find('=');
            if (eq == std::string::npos || eq == 0) {
                std::cerr << "ocilite-load: -D needs NAME=VALUE\n" << usage;
                return 2;
            }
            defines.emplace_back(d.substr(0, eq), d.substr(eq + 1));
        } else if (store.empty()) {
            store = a;
        } else if (args.empty() && is_script(a)) {
            scripts.push_back(a);
        } else {
            // The first word that names no script starts the arguments.
            args.push_back(a);
            positional = true;
        }
    }
    if (store.empty()) {
        std::cerr << usage;
        return 2;
    }
    try {
        ocilite::sqlite_db db(store, true);
        // A load can be repeated from its script, so speed matters more than surviving a power cut;
        // the in-memory journal still rolls back a failing statement.
        db.exec("PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF");
        ocilite::sqlplus_runner runner(db.get(), std::cout, std::cerr);
        for (const auto& [name, value] : defines) runner.define(name, value);
        runner.set_arguments(args);
        if (scripts.empty()) {
            std::ostringstream buf;
            buf << std::cin.rdbuf();
            if (std::cin.bad()) {
                std::cerr << "ocilite-load: cannot read standard input\n";
                return 1;
            }
            runner.run_text(buf.str(), "<stdin>", ".");
        } else {
            for (const auto& s : scripts)
                if (!runner.run_file(s)) break;
        }
        std::cout.flush();
        return runner.exit_status();
    } catch (const ocilite::store_error& e) {
        std::cerr << "ocilite-load: " << e.message << "\n";
        return 1;
    }
}
