// Oracle error numbers and texts as the client library reports them through OCIErrorGet.
#pragma once

#include <string>

#include "compat/oci/oci.h"

struct OCIError;

namespace ocilite {

struct error_record {
    bool present = false;
    sb4 code = 0;
    std::string message;  // UTF-8, Oracle's full text ("ORA-00942: table or view does not exist")
};

// Oracle's text for an error number this library raises itself; unknown numbers get the
// text Oracle gives for a message missing from its catalog.
std::string ora_message(int code);

// Records the error on the handle (if any) and returns OCI_ERROR.
sword fail(OCIError* err, int code);
sword fail(OCIError* err, int code, std::string message);
// Records an error that accompanies another status (ORA-01406 with OCI_SUCCESS_WITH_INFO,
// ORA-01403 with OCI_NO_DATA) and returns that status.
sword note(OCIError* err, sword status, int code);
void clear(OCIError* err);

}  // namespace ocilite
