// Test side of the client library: the real libocilite.so opened through our loader, a
// fixture store built by ocilite-load, and small RAII helpers over the OCI calls.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "compat/oci/oci_loader.h"
#include "compat/text/text.h"
#include "tests/support/stores.h"

namespace oci_test {

inline const compat::oci_loader& loader() {
    static compat::oci_loader instance(MG_OCILITE_LIB);
    return instance;
}
inline const compat::oci_functions& oci() { return loader().fn(); }

inline unsigned long long round_trips() {
    using fn = unsigned long long (*)();
    static fn f = reinterpret_cast<fn>(loader().find_symbol("ocilite_round_trips"));
    return f ? f() : 0;
}

inline void inject_error(const char* kind, int n, int code) {
    using fn = void (*)(const char*, int, int);
    static fn f = reinterpret_cast<fn>(loader().find_symbol("ocilite_inject_error"));
    if (f) f(kind, n, code);
}

inline std::u16string u(const std::string& utf8) { return compat::utf8_to_utf16(utf8); }
inline std::string narrow(const std::u16string& text) { return compat::utf16_to_utf8(text); }
inline const OraText* ot(const std::u16string& s) { return reinterpret_cast<const OraText*>(s.data()); }
inline ub4 bytes(const std::u16string& s) { return static_cast<ub4>(s.size() * 2); }

// The stores of this process (OCILITE_DATA), with OCITEST built from the fixture script, a
// 100-row table and a CLOB and a BLOB larger than one read chunk.
struct fixture_store {
    test_support::store_folder stores{"ocilite-oci"};

    static const fixture_store& get() {
        static fixture_store instance;
        return instance;
    }

    static std::u16string big_clob() {
        std::u16string text;
        for (int i = 0; text.size() < 70000; ++i) {
            text += u"chunk ";
            text += u(std::to_string(i));
            text += u" é漢😀;";
        }
        return text;
    }
    static std::string big_blob() {
        std::string bytes(100000, '\0');
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + 3);
        return bytes;
    }

private:
    fixture_store() {
        ::setenv("OCILITE_DATA", stores.path().c_str(), 1);
        stores.build("OCITEST", std::string(MG_SOURCE_DIR) + "/tests/fixtures/ocilite/oci_client.sql");
        const auto column = [this](const char* table, const char* name) {
            return stores.column_name("OCITEST", table, name);
        };
        // 100 rows for the prefetch cases.
        stores.exec("OCITEST",
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100) INSERT INTO " +
                        stores.table_name("OCITEST", "MANY") + " (" + column("MANY", "ID") + ", " +
                        column("MANY", "TXT") + ") SELECT i, 'row ' || i FROM n");
        // Row 3 of ALLTYPES gets LOBs longer than one chunk (the text holds no quote).
        static const char digits[] = "0123456789ABCDEF";
        std::string blob_hex;
        for (unsigned char c : big_blob()) {
            blob_hex += digits[c >> 4];
            blob_hex += digits[c & 15];
        }
        const std::string clob = narrow(big_clob());
        const std::string alltypes = stores.table_name("OCITEST", "ALLTYPES");
        stores.exec("OCITEST", "UPDATE " + alltypes + " SET " + column("ALLTYPES", "CL") + " = '" + clob + "', " +
                                   column("ALLTYPES", "NCL") + " = '" + clob + "', " + column("ALLTYPES", "BL") +
                                   " = X'" + blob_hex + "' WHERE " + column("ALLTYPES", "ID") + " = 3");
        if (stores.value("OCITEST", "SELECT COUNT(*) FROM " + alltypes + " WHERE " + column("ALLTYPES", "ID") +
                                        " = 3 AND length(" + column("ALLTYPES", "BL") + ") = 100000") != "1") {
            throw std::runtime_error("cannot store the big LOBs");
        }
    }
};

// An Oracle error as OCIErrorGet reports it.
struct ora_err {
    sb4 code = 0;
    std::string text;
};

// A UTF-16 environment with its error handle; logged on when logon() succeeded.
class session {
public:
    session() {
        fixture_store::get();
        EXPECT_EQ(oci().OCIEnvCreate(&env, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr), OCI_SUCCESS);
        EXPECT_EQ(oci().OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr), OCI_SUCCESS);
    }
    ~session() {
        if (svc) oci().OCILogoff(svc, err);
        oci().OCIHandleFree(env, OCI_HTYPE_ENV);
    }
    session(const session&) = delete;
    session& operator=(const session&) = delete;

    sword logon(const std::string& user = "scott", const std::string& password = "tiger",
                const std::string& db = "OCITEST") {
        const std::u16string u16user = u(user), u16pw = u(password), u16db = u(db);
        OCISvcCtx* out = nullptr;
        const sword rc = oci().OCILogon(env, err, &out, ot(u16user), bytes(u16user), ot(u16pw), bytes(u16pw), ot(u16db),
                                        bytes(u16db));
        if (rc == OCI_SUCCESS) svc = out;
        return rc;
    }

    ora_err error() const {
        ora_err e;
        char16_t buf[512] = {};
        if (oci().OCIErrorGet(err, 1, nullptr, &e.code, reinterpret_cast<OraText*>(buf), sizeof buf, OCI_HTYPE_ERROR) ==
            OCI_SUCCESS) {
            e.text = narrow(buf);
        }
        return e;
    }

    OCIEnv* env = nullptr;
    OCIError* err = nullptr;
    OCISvcCtx* svc = nullptr;
};

// A statement handle on a logged-on session.
class statement {
public:
    explicit statement(session& s) : s_(s) {
        EXPECT_EQ(oci().OCIHandleAlloc(s.env, reinterpret_cast<void**>(&h), OCI_HTYPE_STMT, 0, nullptr), OCI_SUCCESS);
    }
    ~statement() {
        for (OCIDefine* d : defines_) oci().OCIHandleFree(d, OCI_HTYPE_DEFINE);
        oci().OCIHandleFree(h, OCI_HTYPE_STMT);
    }
    statement(const statement&) = delete;
    statement& operator=(const statement&) = delete;

    sword prepare(const std::u16string& sql) {
        return oci().OCIStmtPrepare(h, s_.err, ot(sql), bytes(sql), OCI_NTV_SYNTAX, OCI_DEFAULT);
    }
    sword execute(ub4 iters = 0, ub4 mode = OCI_DEFAULT) {
        return oci().OCIStmtExecute(s_.svc, h, s_.err, iters, 0, nullptr, nullptr, mode);
    }
    sword run(const std::string& sql, ub4 iters = 0) {
        const sword rc = prepare(u(sql));
        return rc == OCI_SUCCESS ? execute(iters) : rc;
    }
    sword define(ub4 pos, void* buf, sb4 size, ub2 type, sb2* ind = nullptr, ub2* rlen = nullptr,
                 ub2* rcode = nullptr) {
        OCIDefine* d = nullptr;
        const sword rc = oci().OCIDefineByPos(h, &d, s_.err, pos, buf, size, type, ind, rlen, rcode, OCI_DEFAULT);
        if (d) defines_.push_back(d);
        return rc;
    }
    sword fetch(ub4 rows = 1) { return oci().OCIStmtFetch(h, s_.err, rows, OCI_FETCH_NEXT, OCI_DEFAULT); }

    OCIParam* param(ub4 pos) {
        void* p = nullptr;
        EXPECT_EQ(oci().OCIParamGet(h, OCI_HTYPE_STMT, s_.err, &p, pos), OCI_SUCCESS) << s_.error().text;
        return static_cast<OCIParam*>(p);
    }

    OCIStmt* h = nullptr;

private:
    session& s_;
    std::vector<OCIDefine*> defines_;
};

// Fetches every row of a query as texts (SQLT_STR, with indicators; NULL as "<null>").
inline std::vector<std::vector<std::string>> rows_as_text(session& s, const std::string& sql, sword* status = nullptr) {
    statement st(s);
    std::vector<std::vector<std::string>> out;
    sword rc = st.run(sql);
    if (status) *status = rc;
    if (rc != OCI_SUCCESS) return out;
    ub4 count = 0;
    oci().OCIAttrGet(st.h, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, s.err);
    std::vector<std::vector<char16_t>> bufs(count, std::vector<char16_t>(4096));
    std::vector<sb2> inds(count);
    for (ub4 i = 0; i < count; ++i) {
        st.define(i + 1, bufs[i].data(), static_cast<sb4>(bufs[i].size() * 2), SQLT_STR, &inds[i]);
    }
    while ((rc = st.fetch()) == OCI_SUCCESS || rc == OCI_SUCCESS_WITH_INFO) {
        std::vector<std::string> row;
        for (ub4 i = 0; i < count; ++i) {
            row.push_back(inds[i] == -1 ? "<null>" : narrow(bufs[i].data()));
        }
        out.push_back(std::move(row));
    }
    if (status) *status = rc == OCI_NO_DATA ? OCI_SUCCESS : rc;
    return out;
}

}  // namespace oci_test
