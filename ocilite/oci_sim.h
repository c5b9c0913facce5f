// What a real network and server would add: a delay and a count per round trip
// (OCILITE_RTT_US), and errors injected at the Nth execute or fetch for tests
// (OCILITE_FAIL_AT=execute:N[:CODE] or fetch:N[:CODE], or ocilite_inject_error()).
#pragma once

#include <cstdint>

namespace ocilite {

enum class call_kind { execute, fetch };

// Re-reads OCILITE_RTT_US and OCILITE_FAIL_AT; done when an environment is created.
void read_simulation_settings();

// One round trip to the server: counted, and delayed by the configured time.
void round_trip();
uint64_t round_trips();

// Counts a call of that kind; returns the ORA error number to raise for it, or 0.
int injected_error(call_kind kind);
// Arms an error at the nth call of the kind from now (n <= 0 disarms).
void arm_injection(call_kind kind, int n, int code);
void disarm_injection();

// Parameter descriptors handed out by OCIParamGet and not yet freed with OCIDescriptorFree,
// and calls that freed what the library keeps for itself: what a client of the real
// library would leak or free twice, made visible to tests.
void param_handed_out();
void param_freed();
void count_misuse();

}  // namespace ocilite
