// Our own declarations of the Oracle Call Interface subset the Oracle side calls, written from
// the public OCI reference (signatures and constant values only). Functions are declared as
// function-pointer types: they are resolved at run time by compat::oci_loader, never linked.
// The handle and descriptor types are opaque; only the client library knows their layout.
#pragma once

#include <cstddef>
#include <cstdint>

// ---- scalar types of the interface -------------------------------------------------------
using sword = int32_t;
using ub1 = uint8_t;
using sb1 = int8_t;
using ub2 = uint16_t;
using sb2 = int16_t;
using ub4 = uint32_t;
using sb4 = int32_t;
using OraText = unsigned char;  // text arguments; in a UTF-16 environment they hold UTF-16

// ---- opaque handles and descriptors ------------------------------------------------------
struct OCIEnv;         // environment handle        (OCI_HTYPE_ENV)
struct OCIError;       // error handle              (OCI_HTYPE_ERROR)
struct OCISvcCtx;      // service context handle    (OCI_HTYPE_SVCCTX)
struct OCIStmt;        // statement handle          (OCI_HTYPE_STMT)
struct OCIBind;        // bind handle               (OCI_HTYPE_BIND)
struct OCIDefine;      // define handle             (OCI_HTYPE_DEFINE)
struct OCIServer;      // server handle             (OCI_HTYPE_SERVER)
struct OCISession;     // user session handle       (OCI_HTYPE_SESSION)
struct OCIParam;       // parameter descriptor      (OCI_DTYPE_PARAM)
struct OCILobLocator;  // LOB or BFILE locator       (OCI_DTYPE_LOB, OCI_DTYPE_FILE)
struct OCISnapshot;    // snapshot descriptor       (OCI_DTYPE_SNAP)
struct OCIDateTime;    // datetime descriptor       (OCI_DTYPE_TIMESTAMP, _TZ, _LTZ)

// ---- status values -------------------------------------------------------------------------
inline constexpr sword OCI_SUCCESS = 0;
inline constexpr sword OCI_SUCCESS_WITH_INFO = 1;
inline constexpr sword OCI_NEED_DATA = 99;
inline constexpr sword OCI_NO_DATA = 100;
inline constexpr sword OCI_ERROR = -1;
inline constexpr sword OCI_INVALID_HANDLE = -2;
inline constexpr sword OCI_STILL_EXECUTING = -3123;
inline constexpr sword OCI_CONTINUE = -24200;  // returned by callbacks to go on

// ---- modes ---------------------------------------------------------------------------------
inline constexpr ub4 OCI_DEFAULT = 0x00;
inline constexpr ub4 OCI_THREADED = 0x01;
inline constexpr ub4 OCI_OBJECT = 0x02;
inline constexpr ub4 OCI_UTF16 = 0x4000;  // environment: every text is UTF-16, lengths in bytes

// statement execute modes
inline constexpr ub4 OCI_BATCH_MODE = 0x01;
inline constexpr ub4 OCI_EXACT_FETCH = 0x02;
inline constexpr ub4 OCI_DESCRIBE_ONLY = 0x10;
inline constexpr ub4 OCI_COMMIT_ON_SUCCESS = 0x20;
inline constexpr ub4 OCI_PARSE_ONLY = 0x100;

// statement syntax (OCIStmtPrepare language)
inline constexpr ub4 OCI_NTV_SYNTAX = 1;
inline constexpr ub4 OCI_V7_SYNTAX = 2;
inline constexpr ub4 OCI_V8_SYNTAX = 3;

// fetch orientation
inline constexpr ub2 OCI_FETCH_CURRENT = 0x01;
inline constexpr ub2 OCI_FETCH_NEXT = 0x02;
inline constexpr ub2 OCI_FETCH_FIRST = 0x04;
inline constexpr ub2 OCI_FETCH_LAST = 0x08;
inline constexpr ub2 OCI_FETCH_PRIOR = 0x10;
inline constexpr ub2 OCI_FETCH_ABSOLUTE = 0x20;
inline constexpr ub2 OCI_FETCH_RELATIVE = 0x40;

// define modes
inline constexpr ub4 OCI_DYNAMIC_FETCH = 0x02;  // the value comes in pieces through OCIDefineDynamic's callback

// bind modes and pieces (pieces also for piecewise defines)
inline constexpr ub4 OCI_DATA_AT_EXEC = 0x02;
inline constexpr ub1 OCI_ONE_PIECE = 0;
inline constexpr ub1 OCI_FIRST_PIECE = 1;
inline constexpr ub1 OCI_NEXT_PIECE = 2;
inline constexpr ub1 OCI_LAST_PIECE = 3;

// ---- handle and descriptor types -----------------------------------------------------------
inline constexpr ub4 OCI_HTYPE_ENV = 1;
inline constexpr ub4 OCI_HTYPE_ERROR = 2;
inline constexpr ub4 OCI_HTYPE_SVCCTX = 3;
inline constexpr ub4 OCI_HTYPE_STMT = 4;
inline constexpr ub4 OCI_HTYPE_BIND = 5;
inline constexpr ub4 OCI_HTYPE_DEFINE = 6;
inline constexpr ub4 OCI_HTYPE_DESCRIBE = 7;
inline constexpr ub4 OCI_HTYPE_SERVER = 8;
inline constexpr ub4 OCI_HTYPE_SESSION = 9;

inline constexpr ub4 OCI_DTYPE_LOB = 50;
inline constexpr ub4 OCI_DTYPE_SNAP = 51;
inline constexpr ub4 OCI_DTYPE_PARAM = 53;
inline constexpr ub4 OCI_DTYPE_ROWID = 54;
inline constexpr ub4 OCI_DTYPE_FILE = 56;
inline constexpr ub4 OCI_DTYPE_TIMESTAMP = 68;
inline constexpr ub4 OCI_DTYPE_TIMESTAMP_TZ = 69;
inline constexpr ub4 OCI_DTYPE_TIMESTAMP_LTZ = 70;

// ---- attributes ----------------------------------------------------------------------------
// Describe (parameter descriptor) attributes.
inline constexpr ub4 OCI_ATTR_DATA_SIZE = 1;      // ub2, bytes
inline constexpr ub4 OCI_ATTR_DATA_TYPE = 2;      // ub2, SQLT_* code
inline constexpr ub4 OCI_ATTR_NAME = 4;           // OraText*, length in bytes
inline constexpr ub4 OCI_ATTR_PRECISION = 5;      // sb2 (implicit describe)
inline constexpr ub4 OCI_ATTR_SCALE = 6;          // sb1
inline constexpr ub4 OCI_ATTR_IS_NULL = 7;        // ub1, 1 when the column accepts NULL
inline constexpr ub4 OCI_ATTR_CHARSET_ID = 31;    // ub2
inline constexpr ub4 OCI_ATTR_CHARSET_FORM = 32;  // ub1, SQLCS_IMPLICIT or SQLCS_NCHAR
inline constexpr ub4 OCI_ATTR_CHAR_USED = 285;    // ub1, 1 when the length counts characters
inline constexpr ub4 OCI_ATTR_CHAR_SIZE = 286;    // ub2, the length in characters
// Handle attributes.
inline constexpr ub4 OCI_ATTR_SERVER = 6;            // service context: its server handle
inline constexpr ub4 OCI_ATTR_SESSION = 7;           // service context: its session handle
inline constexpr ub4 OCI_ATTR_ROW_COUNT = 9;         // statement: ub4, rows processed so far
inline constexpr ub4 OCI_ATTR_PREFETCH_ROWS = 11;    // statement: ub4
inline constexpr ub4 OCI_ATTR_PREFETCH_MEMORY = 13;  // statement: ub4, bytes
inline constexpr ub4 OCI_ATTR_PARAM_COUNT = 18;      // statement: ub4, select-list items
inline constexpr ub4 OCI_ATTR_ROWID = 19;            // statement: ROWID descriptor
inline constexpr ub4 OCI_ATTR_STMT_TYPE = 24;        // statement: ub2, OCI_STMT_*
inline constexpr ub4 OCI_ATTR_ROWS_FETCHED = 197;    // statement: ub4, rows of the last fetch

// OCI_ATTR_STMT_TYPE values
inline constexpr ub2 OCI_STMT_SELECT = 1;
inline constexpr ub2 OCI_STMT_UPDATE = 2;
inline constexpr ub2 OCI_STMT_DELETE = 3;
inline constexpr ub2 OCI_STMT_INSERT = 4;
inline constexpr ub2 OCI_STMT_CREATE = 5;
inline constexpr ub2 OCI_STMT_DROP = 6;
inline constexpr ub2 OCI_STMT_ALTER = 7;
inline constexpr ub2 OCI_STMT_BEGIN = 8;
inline constexpr ub2 OCI_STMT_DECLARE = 9;

// ---- character sets ------------------------------------------------------------------------
inline constexpr ub2 OCI_UTF16ID = 1000;  // OCIEnvNlsCreate charset for UTF-16 (AL16UTF16)
inline constexpr ub1 SQLCS_IMPLICIT = 1;  // database character set
inline constexpr ub1 SQLCS_NCHAR = 2;     // national character set

// ---- data type codes -----------------------------------------------------------------------
// External types (define/bind) and the codes describe reports.
inline constexpr ub2 SQLT_CHR = 1;   // VARCHAR2 / character string
inline constexpr ub2 SQLT_NUM = 2;   // NUMBER
inline constexpr ub2 SQLT_INT = 3;   // signed integer (1, 2, 4 or 8 bytes)
inline constexpr ub2 SQLT_FLT = 4;   // floating point (4 or 8 bytes)
inline constexpr ub2 SQLT_STR = 5;   // zero-terminated string
inline constexpr ub2 SQLT_VNU = 6;   // VARNUM
inline constexpr ub2 SQLT_PDN = 7;   // packed decimal
inline constexpr ub2 SQLT_LNG = 8;   // LONG
inline constexpr ub2 SQLT_VCS = 9;   // VARCHAR (length-prefixed)
inline constexpr ub2 SQLT_RID = 11;  // ROWID
inline constexpr ub2 SQLT_DAT = 12;  // 7-byte DATE
inline constexpr ub2 SQLT_BFLOAT = 21;
inline constexpr ub2 SQLT_BDOUBLE = 22;
inline constexpr ub2 SQLT_BIN = 23;        // RAW
inline constexpr ub2 SQLT_LBI = 24;        // LONG RAW
inline constexpr ub2 SQLT_UIN = 68;        // unsigned integer
inline constexpr ub2 SQLT_LVC = 94;        // LONG VARCHAR: 4-byte length, then the text
inline constexpr ub2 SQLT_LVB = 95;        // LONG VARRAW: 4-byte length, then the bytes
inline constexpr ub2 SQLT_AFC = 96;        // CHAR (blank-padded)
inline constexpr ub2 SQLT_IBFLOAT = 100;   // BINARY_FLOAT
inline constexpr ub2 SQLT_IBDOUBLE = 101;  // BINARY_DOUBLE
inline constexpr ub2 SQLT_RDD = 104;       // ROWID descriptor
inline constexpr ub2 SQLT_CLOB = 112;
inline constexpr ub2 SQLT_BLOB = 113;
inline constexpr ub2 SQLT_BFILEE = 114;
inline constexpr ub2 SQLT_TIMESTAMP = 187;
inline constexpr ub2 SQLT_TIMESTAMP_TZ = 188;
inline constexpr ub2 SQLT_INTERVAL_YM = 189;
inline constexpr ub2 SQLT_INTERVAL_DS = 190;
inline constexpr ub2 SQLT_TIMESTAMP_LTZ = 232;

// ---- callbacks -----------------------------------------------------------------------------
using OCICallbackLobRead = sb4 (*)(void* ctxp, const void* bufp, ub4 len, ub1 piece);
using OCICallbackLobWrite = sb4 (*)(void* ctxp, void* bufp, ub4* lenp, ub1* piece);
using OCICallbackInBind = sb4 (*)(void* ictxp, OCIBind* bindp, ub4 iter, ub4 index, void** bufpp, ub4* alenp,
                                  ub1* piecep, void** indp);
using OCICallbackOutBind = sb4 (*)(void* octxp, OCIBind* bindp, ub4 iter, ub4 index, void** bufpp, ub4** alenp,
                                   ub1* piecep, void** indp, ub2** rcodep);
using OCICallbackDefine = sb4 (*)(void* octxp, OCIDefine* defnp, ub4 iter, void** bufpp, ub4** alenp, ub1* piecep,
                                  void** indp, ub2** rcodep);

// ---- functions (as pointer types) ----------------------------------------------------------
// Environment, handles and descriptors.
using OCIEnvCreate_fn = sword (*)(OCIEnv** envhpp, ub4 mode, void* ctxp, void* (*malocfp)(void* ctxp, size_t size),
                                  void* (*ralocfp)(void* ctxp, void* memptr, size_t newsize),
                                  void (*mfreefp)(void* ctxp, void* memptr), size_t xtramem_sz, void** usrmempp);
using OCIEnvNlsCreate_fn = sword (*)(OCIEnv** envhpp, ub4 mode, void* ctxp, void* (*malocfp)(void* ctxp, size_t size),
                                     void* (*ralocfp)(void* ctxp, void* memptr, size_t newsize),
                                     void (*mfreefp)(void* ctxp, void* memptr), size_t xtramem_sz, void** usrmempp,
                                     ub2 charset, ub2 ncharset);
using OCIHandleAlloc_fn = sword (*)(const void* parenth, void** hndlpp, ub4 type, size_t xtramem_sz, void** usrmempp);
using OCIHandleFree_fn = sword (*)(void* hndlp, ub4 type);
using OCIDescriptorAlloc_fn = sword (*)(const void* parenth, void** descpp, ub4 type, size_t xtramem_sz,
                                        void** usrmempp);
using OCIDescriptorFree_fn = sword (*)(void* descp, ub4 type);
using OCIAttrGet_fn = sword (*)(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep, ub4 attrtype,
                                OCIError* errhp);
using OCIAttrSet_fn = sword (*)(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size, ub4 attrtype,
                                OCIError* errhp);
using OCIErrorGet_fn = sword (*)(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep, OraText* bufp, ub4 bufsiz,
                                 ub4 type);

// Server and session.
using OCIServerAttach_fn = sword (*)(OCIServer* srvhp, OCIError* errhp, const OraText* dblink, sb4 dblink_len,
                                     ub4 mode);
using OCIServerDetach_fn = sword (*)(OCIServer* srvhp, OCIError* errhp, ub4 mode);
using OCILogon_fn = sword (*)(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp, const OraText* username, ub4 uname_len,
                              const OraText* password, ub4 passwd_len, const OraText* dbname, ub4 dbname_len);
using OCILogoff_fn = sword (*)(OCISvcCtx* svchp, OCIError* errhp);

// Statements, describe, define and fetch.
using OCIStmtPrepare_fn = sword (*)(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt, ub4 stmt_len, ub4 language,
                                    ub4 mode);
using OCIStmtExecute_fn = sword (*)(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4 rowoff,
                                    const OCISnapshot* snap_in, OCISnapshot* snap_out, ub4 mode);
using OCIParamGet_fn = sword (*)(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp, ub4 pos);
using OCIDefineByPos_fn = sword (*)(OCIStmt* stmtp, OCIDefine** defnpp, OCIError* errhp, ub4 position, void* valuep,
                                    sb4 value_sz, ub2 dty, void* indp, ub2* rlenp, ub2* rcodep, ub4 mode);
using OCIDefineDynamic_fn = sword (*)(OCIDefine* defnp, OCIError* errhp, void* octxp, OCICallbackDefine ocbfp);
using OCIStmtFetch_fn = sword (*)(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, ub4 mode);
using OCIStmtFetch2_fn = sword (*)(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, sb4 fetchOffset,
                                   ub4 mode);

// Datetime descriptors: the date and the time of day of a fetched TIMESTAMP.
using OCIDateTimeGetDate_fn = sword (*)(void* hndl, OCIError* err, const OCIDateTime* datetime, sb2* year, ub1* month,
                                        ub1* day);
using OCIDateTimeGetTime_fn = sword (*)(void* hndl, OCIError* err, OCIDateTime* datetime, ub1* hour, ub1* min, ub1* sec,
                                        ub4* fsec);

// LOB reading.
using OCILobCharSetForm_fn = sword (*)(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp, ub1* csfrm);
using OCILobGetLength_fn = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* lenp);
using OCILobRead_fn = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset,
                                void* bufp, ub4 bufl, void* ctxp, OCICallbackLobRead cbfp, ub2 csid, ub1 csfrm);

// Destination writer.
using OCIBindByName_fn = sword (*)(OCIStmt* stmtp, OCIBind** bindpp, OCIError* errhp, const OraText* placeholder,
                                   sb4 placeh_len, void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp,
                                   ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4 mode);
using OCIBindByPos_fn = sword (*)(OCIStmt* stmtp, OCIBind** bindpp, OCIError* errhp, ub4 position, void* valuep,
                                  sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep, ub4 maxarr_len,
                                  ub4* curelep, ub4 mode);
using OCIBindDynamic_fn = sword (*)(OCIBind* bindp, OCIError* errhp, void* ictxp, OCICallbackInBind icbfp, void* octxp,
                                    OCICallbackOutBind ocbfp);
using OCILobWrite_fn = sword (*)(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset,
                                 void* bufp, ub4 buflen, ub1 piece, void* ctxp, OCICallbackLobWrite cbfp, ub2 csid,
                                 ub1 csfrm);
using OCITransCommit_fn = sword (*)(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
using OCITransRollback_fn = sword (*)(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);

// Every function the Oracle side needs, in one list: the loader resolves each of them, and
// the stand-in client library checks its definitions against these types.
#define COMPAT_OCI_FUNCTIONS(X) \
    X(OCIEnvCreate)             \
    X(OCIEnvNlsCreate)          \
    X(OCIHandleAlloc)           \
    X(OCIHandleFree)            \
    X(OCIDescriptorAlloc)       \
    X(OCIDescriptorFree)        \
    X(OCIAttrGet)               \
    X(OCIAttrSet)               \
    X(OCIErrorGet)              \
    X(OCIServerAttach)          \
    X(OCIServerDetach)          \
    X(OCILogon)                 \
    X(OCILogoff)                \
    X(OCIStmtPrepare)           \
    X(OCIStmtExecute)           \
    X(OCIParamGet)              \
    X(OCIDefineByPos)           \
    X(OCIDefineDynamic)         \
    X(OCIStmtFetch)             \
    X(OCIStmtFetch2)            \
    X(OCIDateTimeGetDate)       \
    X(OCIDateTimeGetTime)       \
    X(OCILobCharSetForm)        \
    X(OCILobGetLength)          \
    X(OCILobRead)               \
    X(OCIBindByName)            \
    X(OCIBindByPos)             \
    X(OCIBindDynamic)           \
    X(OCILobWrite)              \
    X(OCITransCommit)           \
    X(OCITransRollback)
