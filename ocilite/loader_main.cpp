// ocilite-load STORE.sqlite [SCRIPT.sql...]: builds or extends a store from Oracle SQL read from
// the scripts, or from standard input when none is given.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "ocilite/load_script.h"
#include "ocilite/ora_errors.h"
#include "ocilite/store.h"

namespace {

bool read_all(std::istream& in, std::string& out) {
    std::ostringstream buf;
    buf << in.rdbuf();
    out = buf.str();
    return !in.bad();
}

int load(ocilite::sqlite_db& db, const std::string& name, const std::string& text) {
    ocilite::script_loader loader(db.get());
    try {
        loader.run(text);
    } catch (const ocilite::sql_error& e) {
        std::cerr << "ocilite-load: " << name << ": line " << e.line << ": " << e.message << "\n";
        return 1;
    } catch (const ocilite::store_error& e) {
        std::cerr << "ocilite-load: " << name << ": " << e.message << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        std::cerr << "usage: ocilite-load STORE.sqlite [SCRIPT.sql...]   (reads standard input without scripts)\n";
        return 2;
    }
    try {
        ocilite::sqlite_db db(argv[1], true);
        // A load can be repeated from its script, so speed matters more than surviving a power cut;
        // the in-memory journal still rolls back a failing statement.
        db.exec("PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF");
        if (argc == 2) {
            std::string text;
            if (!read_all(std::cin, text)) {
                std::cerr << "ocilite-load: cannot read standard input\n";
                return 1;
            }
            return load(db, "<stdin>", text);
        }
        for (int i = 2; i < argc; ++i) {
            std::ifstream in(argv[i], std::ios::binary);
            std::string text;
            if (!in || !read_all(in, text)) {
                std::cerr << "ocilite-load: cannot read " << argv[i] << "\n";
                return 1;
            }
            if (int rc = load(db, argv[i], text)) return rc;
        }
    } catch (const ocilite::store_error& e) {
        std::cerr << "ocilite-load: " << e.message << "\n";
        return 1;
    }
    return 0;
}
