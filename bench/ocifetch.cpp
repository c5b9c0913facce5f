// Reads every row of the named tables through the Oracle client library and discards them:
// the same client, the same fetch buffers and the same LOB reads as tollspar's reader, and
// nothing else. bench/run times it to show what tollspar costs beyond reading its source.
//
//   ocifetch SERVICE USER PASSWORD TABLE...
//
// The client library is the one MARROWGATE_OCI_LIB names, as for tollspar. Prints the rows
// and LOB bytes read; exits 1 on an error, with the client's message.
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "compat/oci/oci_loader.h"
#include "compat/text/text.h"

namespace {

class client {
public:
    client() : f_(loader_.fn()) {
        check(f_.OCIEnvNlsCreate(&env_, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr, OCI_UTF16ID,
                                 OCI_UTF16ID));
        void* h = nullptr;
        check(f_.OCIHandleAlloc(env_, &h, OCI_HTYPE_ERROR, 0, nullptr));
        err_ = static_cast<OCIError*>(h);
    }
    ~client() {
        if (svc_) f_.OCILogoff(svc_, err_);
        if (err_) f_.OCIHandleFree(err_, OCI_HTYPE_ERROR);
        if (env_) f_.OCIHandleFree(env_, OCI_HTYPE_ENV);
    }
    client(const client&) = delete;
    client& operator=(const client&) = delete;

    void logon(const std::u16string& db, const std::u16string& user, const std::u16string& password) {
        check(f_.OCILogon(env_, err_, &svc_, text(user), bytes(user), text(password), bytes(password), text(db),
                          bytes(db)));
    }

    sword check(sword status) const {
        if (status != OCI_ERROR && status != OCI_INVALID_HANDLE) return status;
        std::u16string message(1024, u'\0');
        sb4 code = 0;
        if (err_)
            f_.OCIErrorGet(err_, 1, nullptr, &code, reinterpret_cast<OraText*>(message.data()),
                           static_cast<ub4>(message.size() * 2), OCI_HTYPE_ERROR);
        message.resize(std::char_traits<char16_t>::length(message.c_str()));
        throw std::runtime_error(message.empty() ? "the client failed" : compat::utf16_to_utf8(message));
    }

    static const OraText* text(const std::u16string& s) { return reinterpret_cast<const OraText*>(s.data()); }
    static ub4 bytes(const std::u16string& s) { return static_cast<ub4>(s.size() * 2); }

    const compat::oci_functions& f() const { return f_; }
    OCIEnv* env() const { return env_; }
    OCIError* err() const { return err_; }
    OCISvcCtx* svc() const { return svc_; }

private:
    compat::oci_loader loader_;
    const compat::oci_functions& f_;
    OCIEnv* env_ = nullptr;
    OCIError* err_ = nullptr;
    OCISvcCtx* svc_ = nullptr;
};

// One column's fetch buffer, of the external type tollspar's reader defines for it.
struct column {
    ub2 code = 0;
    std::vector<unsigned char> buffer;
    OCILobLocator* locator = nullptr;
    ub1 form = SQLCS_IMPLICIT;
    sb2 indicator = 0;
    ub2 length = 0;
    ub2 return_code = 0;
};

ub4 param_attr(const client& c, void* param, ub4 attribute) {
    ub4 value = 0;
    c.check(c.f().OCIAttrGet(param, OCI_DTYPE_PARAM, &value, nullptr, attribute, c.err()));
    return value;
}

struct totals {
    unsigned long long rows = 0;
    unsigned long long lob_bytes = 0;
};

void read_lob(const client& c, column& col, std::vector<unsigned char>& chunk, totals& t) {
    const bool clob = col.code == SQLT_CLOB;
    ub4 length = 0;
    c.check(c.f().OCILobGetLength(c.svc(), c.err(), col.locator, &length));
    ub1 form = SQLCS_IMPLICIT;
    if (clob) c.check(c.f().OCILobCharSetForm(c.env(), c.err(), col.locator, &form));
    constexpr ub4 units = 32768;
    std::vector<unsigned char> value;  // kept whole, as the reader keeps it
    value.reserve(static_cast<size_t>(length) * (clob ? 2 : 1));
    for (ub4 done = 0, offset = 1; done < length;) {
        ub4 amount = std::min(length - done, units);
        const sword s =
            c.check(c.f().OCILobRead(c.svc(), c.err(), col.locator, &amount, offset, chunk.data(),
                                     static_cast<ub4>(chunk.size()), nullptr, nullptr, clob ? OCI_UTF16ID : 0, form));
        if (amount == 0 || s == OCI_NO_DATA) break;
        value.insert(value.end(), chunk.begin(), chunk.begin() + amount * (clob ? 2 : 1));
        offset += amount;
        done += amount;
    }
    t.lob_bytes += value.size();
}

void read_table(const client& c, const std::u16string& table, totals& t) {
    const std::u16string query = u"SELECT * FROM \"" + table + u"\"";
    void* h = nullptr;
    c.check(c.f().OCIHandleAlloc(c.env(), &h, OCI_HTYPE_STMT, 0, nullptr));
    auto* stmt = static_cast<OCIStmt*>(h);
    c.check(
        c.f().OCIStmtPrepare(stmt, c.err(), client::text(query), client::bytes(query), OCI_NTV_SYNTAX, OCI_DEFAULT));
    ub4 rows = 1000, memory = 4 * 1024 * 1024;
    c.check(c.f().OCIAttrSet(stmt, OCI_HTYPE_STMT, &rows, 0, OCI_ATTR_PREFETCH_ROWS, c.err()));
    c.check(c.f().OCIAttrSet(stmt, OCI_HTYPE_STMT, &memory, 0, OCI_ATTR_PREFETCH_MEMORY, c.err()));
    c.check(c.f().OCIStmtExecute(c.svc(), stmt, c.err(), 0, 0, nullptr, nullptr, OCI_DESCRIBE_ONLY));
    ub4 count = 0;
    c.check(c.f().OCIAttrGet(stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, c.err()));
    std::vector<column> columns(count);
    for (ub4 i = 0; i < count; ++i) {
        void* param = nullptr;
        c.check(c.f().OCIParamGet(stmt, OCI_HTYPE_STMT, c.err(), &param, i + 1));
        column& col = columns[i];
        const ub2 type = static_cast<ub2>(param_attr(c, param, OCI_ATTR_DATA_TYPE) & 0xFFFF);
        const ub4 size = param_attr(c, param, OCI_ATTR_DATA_SIZE) & 0xFFFF;
        c.f().OCIDescriptorFree(param, OCI_DTYPE_PARAM);
        OCIDefine* define = nullptr;
        if (type == SQLT_CLOB || type == SQLT_BLOB) {
            col.code = type;
            void* locator = nullptr;
            c.check(c.f().OCIDescriptorAlloc(c.env(), &locator, OCI_DTYPE_LOB, 0, nullptr));
            col.locator = static_cast<OCILobLocator*>(locator);
            c.check(c.f().OCIDefineByPos(stmt, &define, c.err(), i + 1, &col.locator, sizeof col.locator, type,
                                         &col.indicator, nullptr, &col.return_code, OCI_DEFAULT));
        } else if (type == SQLT_DAT) {
            col.code = SQLT_DAT;
            col.buffer.resize(7);
            c.check(c.f().OCIDefineByPos(stmt, &define, c.err(), i + 1, col.buffer.data(), 7, SQLT_DAT, &col.indicator,
                                         nullptr, &col.return_code, OCI_DEFAULT));
        } else if (type == SQLT_BIN) {
            col.code = SQLT_BIN;
            col.buffer.resize(std::max<ub4>(size, 1));
            c.check(c.f().OCIDefineByPos(stmt, &define, c.err(), i + 1, col.buffer.data(),
                                         static_cast<sb4>(col.buffer.size()), SQLT_BIN, &col.indicator, &col.length,
                                         &col.return_code, OCI_DEFAULT));
        } else if (type == SQLT_CHR || type == SQLT_AFC) {
            col.code = SQLT_CHR;
            col.buffer.resize((2 * static_cast<size_t>(size) + 1) * 2);
            c.check(c.f().OCIDefineByPos(stmt, &define, c.err(), i + 1, col.buffer.data(),
                                         static_cast<sb4>(col.buffer.size()), SQLT_CHR, &col.indicator, &col.length,
                                         &col.return_code, OCI_DEFAULT));
        } else {  // numbers and the rest: the text the server prints
            col.code = SQLT_STR;
            col.buffer.resize(255 * 2);
            c.check(c.f().OCIDefineByPos(stmt, &define, c.err(), i + 1, col.buffer.data(),
                                         static_cast<sb4>(col.buffer.size()), SQLT_STR, &col.indicator, nullptr,
                                         &col.return_code, OCI_DEFAULT));
        }
    }
    c.check(c.f().OCIStmtExecute(c.svc(), stmt, c.err(), 0, 0, nullptr, nullptr, OCI_DEFAULT));
    std::vector<unsigned char> chunk(32768 * 2);
    while (c.check(c.f().OCIStmtFetch(stmt, c.err(), 1, OCI_FETCH_NEXT, OCI_DEFAULT)) != OCI_NO_DATA) {
        ++t.rows;
        for (column& col : columns)
            if (col.locator && col.indicator != -1) read_lob(c, col, chunk, t);
    }
    for (column& col : columns)
        if (col.locator) c.f().OCIDescriptorFree(col.locator, OCI_DTYPE_LOB);
    c.f().OCIHandleFree(stmt, OCI_HTYPE_STMT);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s SERVICE USER PASSWORD TABLE...\n", argv[0]);
        return 2;
    }
    try {
        client c;
        c.logon(compat::utf8_to_utf16(argv[1]), compat::utf8_to_utf16(argv[2]), compat::utf8_to_utf16(argv[3]));
        totals t;
        for (int i = 4; i < argc; ++i) read_table(c, compat::utf8_to_utf16(argv[i]), t);
        std::printf("%llu rows, %llu LOB bytes\n", t.rows, t.lob_bytes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ocifetch: %s\n", e.what());
        return 1;
    }
    return 0;
}
