// Opens the Oracle client library by name at run time and resolves the OCI functions the
// Oracle side calls into one table. Loading it is also the presence test: a missing library
// or function is reported before any OCI call is made.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "compat/oci/oci.h"

namespace compat {

// A client library that cannot be opened (symbol() empty), or that lacks a function.
class oci_load_error : public std::runtime_error {
public:
    oci_load_error(std::string library, std::string symbol, const std::string& detail);

    const std::string& library() const noexcept { return library_; }
    const std::string& symbol() const noexcept { return symbol_; }

private:
    std::string library_;
    std::string symbol_;
};

// One pointer per OCI function, named as the function.
struct oci_functions {
#define COMPAT_OCI_MEMBER(name) name##_fn name = nullptr;
    COMPAT_OCI_FUNCTIONS(COMPAT_OCI_MEMBER)
#undef COMPAT_OCI_MEMBER
};

// Keeps the library loaded for its own lifetime; the function table stays valid as long.
class oci_loader {
public:
    // The library named by MARROWGATE_OCI_LIB; without it "libclntsh.so" and then the
    // versioned names that Instant Client installs carry without the unversioned link.
    static std::vector<std::string> default_libraries();

    oci_loader();                                     // the first of default_libraries() that opens
    explicit oci_loader(const std::string& library);  // throws oci_load_error
    // The first candidate that opens; none opening is one error naming every file tried.
    // A library that opens but lacks a function is that library's error.
    explicit oci_loader(const std::vector<std::string>& candidates);
    ~oci_loader();

    oci_loader(const oci_loader&) = delete;
    oci_loader& operator=(const oci_loader&) = delete;

    const oci_functions& fn() const noexcept { return fn_; }
    const std::string& library() const noexcept { return library_; }

    // Any other exported symbol of the library (null when absent), e.g. a test hook.
    void* find_symbol(const char* name) const noexcept;

private:
    // Opens library_ (nothing thrown); the dynamic loader's text on failure.
    bool open(std::string& failure);
    void resolve();

    struct closer {
        void operator()(void* handle) const noexcept;
    };
    std::string library_;
    std::unique_ptr<void, closer> handle_;
    oci_functions fn_;
};

}  // namespace compat
