#include "app/qrn_tally.h"

bool record_error_tally::admit(const std::string& message) {
    const int n = ++seen_[message];
    if (n <= reported_per_error) return true;
    if (n == reported_per_error + 1) ++messages_held_back_;
    ++held_back_;
    return false;
}

std::string record_error_tally::closing_line() const {
    if (held_back_ == 0) return std::string();
    return "... and " + std::to_string(held_back_) + (held_back_ == 1 ? " more record" : " more records") +
           " failed with the same " + (messages_held_back_ > 1 ? "errors" : "error");
}

void record_error_tally::clear() {
    seen_.clear();
    held_back_ = 0;
    messages_held_back_ = 0;
}
