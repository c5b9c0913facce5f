#include "compat/oci/oci_loader.h"

#include <dlfcn.h>

#include <cstdlib>
#include <utility>

namespace compat {

namespace {

std::string dl_error_text() {
    const char* text = dlerror();
    return text ? std::string(text) : std::string("unknown error");
}

std::string load_error_message(const std::string& library, const std::string& symbol, const std::string& detail) {
    if (symbol.empty()) {
        return "cannot load the Oracle client library '" + library + "': " + detail;
    }
    return "the Oracle client library '" + library + "' has no function '" + symbol + "': " + detail;
}

}  // namespace

oci_load_error::oci_load_error(std::string library, std::string symbol, const std::string& detail)
    : std::runtime_error(load_error_message(library, symbol, detail)),
      library_(std::move(library)),
      symbol_(std::move(symbol)) {}

std::string oci_loader::default_library() {
    const char* named = std::getenv("MARROWGATE_OCI_LIB");
    if (named && *named) return named;
    return "libclntsh.so";
}

oci_loader::oci_loader() : oci_loader(default_library()) {}

oci_loader::oci_loader(const std::string& library) : library_(library) {
    dlerror();  // a stale message must not be reported for this load
    handle_.reset(dlopen(library_.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!handle_) throw oci_load_error(library_, {}, dl_error_text());

        // Every function is resolved here, once, so a library that lacks one fails now and
        // not at the first call that needs it.
#define COMPAT_OCI_RESOLVE(name)                                              \
    {                                                                         \
        dlerror();                                                            \
        void* address = dlsym(handle_.get(), #name);                          \
        if (!address) throw oci_load_error(library_, #name, dl_error_text()); \
        fn_.name = reinterpret_cast<name##_fn>(address);                      \
    }
    COMPAT_OCI_FUNCTIONS(COMPAT_OCI_RESOLVE)
#undef COMPAT_OCI_RESOLVE
}

oci_loader::~oci_loader() = default;

void* oci_loader::find_symbol(const char* name) const noexcept {
    return handle_ ? dlsym(handle_.get(), name) : nullptr;
}

void oci_loader::closer::operator()(void* handle) const noexcept {
    if (handle) dlclose(handle);
}

}  // namespace compat
