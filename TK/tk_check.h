// TK_CHECK(condition): an invariant a hot path relies on. Checked where NDEBUG is not
// defined or MG_CHECKS is (the Debug build, and the sanitizer and fuzzing builds, which
// define MG_CHECKS): a false condition is the system's internal error, tk_fail's, for the
// check's file and line, with the condition's text in the trace log. Elsewhere (Release)
// the check compiles to nothing: the condition is still compiled, in an unevaluated
// context, so that a check cannot rot where it is left out. A condition changes nothing; a
// helper of internal linkage that only checks call is [[maybe_unused]] (clang reports it
// unneeded where the checks are left out).
#pragma once

#if !defined(NDEBUG) || defined(MG_CHECKS)
#define TK_CHECKS 1
#else
#define TK_CHECKS 0
#endif

// Logs the condition and raises tk_fail's error for the file's name (without its folders)
// and the line.
[[noreturn]] void tk_check_failed(const char* condition, const char* file, int line);

#if TK_CHECKS
#define TK_CHECK(condition)                                                \
    do {                                                                   \
        if (!(condition)) tk_check_failed(#condition, __FILE__, __LINE__); \
    } while (false)
#else
#define TK_CHECK(condition) static_cast<void>(sizeof(!(condition)))
#endif
