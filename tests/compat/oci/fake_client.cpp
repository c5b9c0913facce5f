// A stand-in client library for the loader tests: it exports every OCI function of the
// table as a do-nothing symbol. Built with FAKE_CLIENT_WITHOUT_LOB_READ, it exports
// OCILobRead under another name, so the loader must report that function as missing.
#include "compat/oci/oci.h"

#ifdef FAKE_CLIENT_WITHOUT_LOB_READ
#define OCILobRead OCILobRead_renamed
#endif

#define FAKE_CLIENT_DEFINE(name) \
    extern "C" __attribute__((visibility("default"))) sword name() { return 0; }
COMPAT_OCI_FUNCTIONS(FAKE_CLIENT_DEFINE)

extern "C" __attribute__((visibility("default"))) int fake_client_marker() { return 4711; }
