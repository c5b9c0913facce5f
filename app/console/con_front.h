// The console program's side of a conversion: progress lines on standard output, run
// errors on standard error, the error handler's reports and missing tables as errors on
// standard output, and the exit that unwinds to main.
#pragma once

#include "app/qrn_front.h"

class con_front_end : public qrn_front_end {
public:
    qrn_program program() const override { return qrn_program::console; }

    void database_started(const compat::wstring& source_db, int tables) override;
    void table_started(const compat::wstring& table, int records) override;
    void table_missing(const compat::wstring& table, const std::vector<compat::wstring>& candidates) override;
    void run_error(const std::string& text) override;
    void show_note(const compat::wstring& text) override;

    void show_internal_error(const std::string& text) override;
    void show_error(const std::string& message) override;

    [[noreturn]] void exit_process(int code) override;
};
