#include "ocilite/oci_sim.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "ocilite/oci_handles.h"

namespace ocilite {

namespace {

std::atomic<uint64_t> trip_count{0};
std::atomic<int64_t> trip_delay_us{0};

struct injection {
    std::mutex mutex;
    bool armed = false;
    call_kind kind = call_kind::execute;
    int64_t remaining = 0;  // calls of that kind until the failing one
    int code = 0;
};

injection& pending() {
    static injection value;
    return value;
}

int64_t parse_int(const char* text, const char** end) {
    int64_t value = 0;
    const char* p = text;
    while (*p >= '0' && *p <= '9') value = value * 10 + (*p++ - '0');
    *end = p;
    return value;
}

constexpr int default_injected_code = 3113;  // the connection dropped

}  // namespace

void read_simulation_settings() {
    const char* rtt = std::getenv("OCILITE_RTT_US");
    trip_delay_us = rtt ? std::atoll(rtt) : 0;

    const char* fail_at = std::getenv("OCILITE_FAIL_AT");
    if (!fail_at || !*fail_at) return;  // an armed ocilite_inject_error() stays armed
    call_kind kind;
    const char* rest;
    if (std::strncmp(fail_at, "execute:", 8) == 0) {
        kind = call_kind::execute;
        rest = fail_at + 8;
    } else if (std::strncmp(fail_at, "fetch:", 6) == 0) {
        kind = call_kind::fetch;
        rest = fail_at + 6;
    } else {
        return;
    }
    const char* end;
    const int64_t n = parse_int(rest, &end);
    int code = default_injected_code;
    if (*end == ':') {
        const int64_t given = parse_int(end + 1, &end);
        if (given > 0) code = static_cast<int>(given);
    }
    arm_injection(kind, static_cast<int>(n), code);
}

void round_trip() {
    ++trip_count;
    const int64_t delay = trip_delay_us.load(std::memory_order_relaxed);
    if (delay > 0) std::this_thread::sleep_for(std::chrono::microseconds(delay));
}

uint64_t round_trips() { return trip_count.load(); }

int injected_error(call_kind kind) {
    injection& p = pending();
    std::lock_guard<std::mutex> lock(p.mutex);
    if (!p.armed || p.kind != kind) return 0;
    if (--p.remaining > 0) return 0;
    p.armed = false;
    return p.code;
}

void arm_injection(call_kind kind, int n, int code) {
    injection& p = pending();
    std::lock_guard<std::mutex> lock(p.mutex);
    p.armed = n > 0;
    p.kind = kind;
    p.remaining = n;
    p.code = code > 0 ? code : default_injected_code;
}

void disarm_injection() {
    injection& p = pending();
    std::lock_guard<std::mutex> lock(p.mutex);
    p.armed = false;
}

}  // namespace ocilite

// Test hooks: not OCI functions, exported beside them.
namespace ocilite {
namespace {
std::atomic<long long> open_params{0};
std::atomic<long long> misuses{0};
}  // namespace
void param_handed_out() { ++open_params; }
void param_freed() { --open_params; }
void count_misuse() { ++misuses; }
}  // namespace ocilite

OCILITE_EXPORT unsigned long long ocilite_round_trips() { return ocilite::round_trips(); }
OCILITE_EXPORT long long ocilite_open_params() { return ocilite::open_params.load(); }
OCILITE_EXPORT long long ocilite_misuses() { return ocilite::misuses.load(); }

OCILITE_EXPORT void ocilite_inject_error(const char* kind, int n, int code) {
    if (kind && std::strcmp(kind, "execute") == 0) {
        ocilite::arm_injection(ocilite::call_kind::execute, n, code);
    } else if (kind && std::strcmp(kind, "fetch") == 0) {
        ocilite::arm_injection(ocilite::call_kind::fetch, n, code);
    } else {
        ocilite::disarm_injection();
    }
}
