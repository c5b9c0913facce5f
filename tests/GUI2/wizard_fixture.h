// The whole wizard as the program runs it, in process (qrn_run_wizard builds its own
// converter, shell and pages): private settings, ocilite stores, profiles written from a
// converter's settings, and the checks of what a run wrote: the MariaDB sandbox, a dump
// loaded by the stock client, and the built tollspar given a profile.
#pragma once

#include <functional>
#include <string>

#include "app/qrn_conv.h"
#include "tests/GUI2/gui_fixture.h"
#include "tests/app/app_fixture.h"
#include "tests/support/files.h"
#include "tests/support/proc_run.h"

class wizard_fixture : public gui_fixture {
protected:
    void SetUp() override;

    // A converter's settings (Oracle side scott/tiger on this machine, then `set`) written
    // to NAME.qrn in the test folder. The settings store is emptied again afterwards, so
    // that only the profile holds them.
    std::string write_profile(const std::function<void(quarnel_convertor&)>& set, const std::string& name);
    // Loads a dump with the stock client: into `db`, or where the dump itself says; in the
    // client character set `charset` when given.
    test_support::proc_result load_dump(const std::string& path, const std::string& db = "",
                                        const std::string& charset = "");
    test_support::proc_result tollspar_with_profile(const std::string& profile);
    // The settings store's file of the wizard's key, as text ("" when there is none).
    static std::string stored_settings();
};

// The rows of a query as "a|b|c" lines, in the query's order.
std::vector<std::string> row_texts(app_test::server& srv, const std::string& sql);
