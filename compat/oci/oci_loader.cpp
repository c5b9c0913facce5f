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
    if (symbol.empty() && library.find(", ") != std::string::npos) {
        return "cannot load the Oracle client library; tried " + library + ": " + detail;
    }
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

std::vector<std::string> oci_loader::default_libraries() {
    const char* named = std::getenv("MARROWGATE_OCI_LIB");
    if (named && *named) return {named};
    return {"libclntsh.so",      "libclntsh.so.23.1", "libclntsh.so.21.1", "libclntsh.so.19.1",
            "libclntsh.so.18.1", "libclntsh.so.12.1", "libclntsh.so.11.1"};
}

oci_loader::oci_loader() : oci_loader(default_libraries()) {}

oci_loader::oci_loader(const std::string& library) : library_(library) {
    std::string failure;
    if (!open(failure)) throw oci_load_error(library_, {}, failure);
    resolve();
}

oci_loader::oci_loader(const std::vector<std::string>& candidates) {
    std::string tried, failure;
    for (const std::string& candidate : candidates) {
        library_ = candidate;
        if (open(failure)) {
            resolve();
            return;
        }
        tried += (tried.empty() ? "" : ", ") + candidate;
    }
    library_ = tried;
    throw oci_load_error(tried, {},
                         failure +
                             ". Set MARROWGATE_OCI_LIB to the full path of the Oracle client library "
                             "(libclntsh.so of Instant Client), for example "
                             "export MARROWGATE_OCI_LIB=/opt/oracle/instantclient_19_20/libclntsh.so.19.1");
}

bool oci_loader::open(std::string& failure) {
    dlerror();  // a stale message must not be reported for this load
    handle_.reset(dlopen(library_.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!handle_) failure = dl_error_text();
    return handle_ != nullptr;
}

void oci_loader::resolve(){
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
