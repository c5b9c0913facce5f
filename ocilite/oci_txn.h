// The session's transaction as Oracle keeps it: DML opens it, COMMIT / ROLLBACK (statements or
// calls) and logoff end it, DDL commits what is open before and after itself.
#pragma once

#include "ocilite/oci_handles.h"

namespace ocilite {

// Each returns 0 or an ORA error number (already in err when given).
int begin_transaction(store_session& s, OCIError* err);
int commit_transaction(store_session& s, OCIError* err);
int rollback_transaction(store_session& s, OCIError* err);

// OCITransCommit / OCITransRollback on the caller's handles: OCI_INVALID_HANDLE, ORA-01012 when
// not logged on, else the outcome of ending the transaction.
sword end_transaction(OCISvcCtx* svchp, OCIError* errhp, bool commit);

// Runs a statement the translator does not read (DDL, INSERT, UPDATE, COMMIT, ROLLBACK).
sword execute_client_statement(OCISvcCtx* svc, OCIStmt* s, OCIError* err, ub4 iters, ub4 mode);

}  // namespace ocilite
