#include "tests/GUI2/wizard_fixture.h"

#include <cstdlib>

void wizard_fixture::SetUp() {
    shell_.reset();  // the wizard builds its own
    app_test::private_settings();
}

std::string wizard_fixture::write_profile(const std::function<void(quarnel_convertor&)>& set, const std::string& name) {
    const std::string path = app_test::temp_dir() + "/" + name + ".qrn";
    {
        quarnel_convertor conv(front_);
        conv.store_oracle_settings(u"", u"scott", u"tiger", u"");
        set(conv);
        EXPECT_TRUE(conv.store_profile(compat::utf8_to_utf16(path)));
    }
    app_test::private_settings();
    return path;
}

test_support::proc_result wizard_fixture::load_dump(const std::string& path, const std::string& db,
                                                    const std::string& charset) {
    std::vector<std::string> argv{"/usr/bin/mariadb",
                                  "--no-defaults",
                                  "-h",
                                  "127.0.0.1",
                                  "-P",
                                  std::to_string(app_test::sandbox_port()),
                                  "-u",
                                  "root"};
    if (!charset.empty()) argv.push_back("--default-character-set=" + charset);
    if (!db.empty()) argv.push_back(db);
    test_support::proc_options options;
    options.stdin_file = path;
    return test_support::run_process(argv, options);
}

test_support::proc_result wizard_fixture::tollspar_with_profile(const std::string& profile) {
    return test_support::run_process({MG_TOLLSPAR, "--profile=" + profile});
}

std::string wizard_fixture::stored_settings() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    return test_support::read_file(std::string(config ? config : "") +
                                   "/marrowgate/registry/Software/Brindlecote/Marrowgate.reg");
}

std::vector<std::string> row_texts(app_test::server& srv, const std::string& sql) {
    std::vector<std::string> out;
    for (const auto& row : srv.rows(sql)) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) line += (i ? "|" : "") + row[i];
        out.push_back(line);
    }
    return out;
}
