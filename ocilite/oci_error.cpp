#include "ocilite/oci_error.h"

#include <cstdio>
#include <utility>

#include "ocilite/oci_handles.h"

namespace ocilite {

std::string ora_message(int code) {
    switch (code) {
        case 1:
            return "ORA-00001: unique constraint violated";
        case 600:
            return "ORA-00600: internal error code, arguments: [ocilite]";
        case 900:
            return "ORA-00900: invalid SQL statement";
        case 904:
            return "ORA-00904: invalid identifier";
        case 932:
            return "ORA-00932: inconsistent datatypes";
        case 933:
            return "ORA-00933: SQL command not properly ended";
        case 942:
            return "ORA-00942: table or view does not exist";
        case 1002:
            return "ORA-01002: fetch out of sequence";
        case 1007:
            return "ORA-01007: variable not in select list";
        case 1012:
            return "ORA-01012: not logged on";
        case 1017:
            return "ORA-01017: invalid username/password; logon denied";
        case 1403:
            return "ORA-01403: no data found";
        case 1405:
            return "ORA-01405: fetched column value is NULL";
        case 1406:
            return "ORA-01406: fetched column value was truncated";
        case 1455:
            return "ORA-01455: converting column overflows integer datatype";
        case 1465:
            return "ORA-01465: invalid hex number";
        case 1891:
            return "ORA-01891: Datetime/Interval internal error";
        case 1722:
            return "ORA-01722: invalid number";
        case 1861:
            return "ORA-01861: literal does not match format string";
        case 3113:
            return "ORA-03113: end-of-file on communication channel";
        case 3114:
            return "ORA-03114: not connected to ORACLE";
        case 12560:
            return "ORA-12560: TNS:protocol adapter error";
        case 12714:
            return "ORA-12714: invalid national character set specified";
        case 12162:
            return "ORA-12162: TNS:net service name is incorrectly specified";
        case 12514:
            return "ORA-12514: TNS:listener does not currently know of service requested in "
                   "connect descriptor";
        case 1008:
            return "ORA-01008: not all variables bound";
        case 22920:
            return "ORA-22920: row containing the LOB value is not locked";
        case 22993:
            return "ORA-22993: specified input amount is greater than actual source amount";
        case 24343:
            return "ORA-24343: user defined callback error";
        case 24369:
            return "ORA-24369: required callbacks not registered for one or more bind handles";
        case 22275:
            return "ORA-22275: invalid LOB locator specified";
        case 24315:
            return "ORA-24315: illegal attribute type";
        case 24333:
            return "ORA-24333: zero iteration count";
        case 24334:
            return "ORA-24334: no descriptor for this position";
        case 24337:
            return "ORA-24337: statement handle not prepared";
        case 24338:
            return "ORA-24338: statement handle not executed";
        case 24391:
            return "ORA-24391: invalid fetch operation";
        case 24801:
            return "ORA-24801: illegal parameter value in OCI lob function";
        case 24811:
            return "ORA-24811: less data provided for writing than indicated";
        default:
            break;
    }
    char text[96];
    std::snprintf(text, sizeof text, "ORA-%05d: Message %d not found;  product=RDBMS; facility=ORA", code, code);
    return text;
}

sword fail(OCIError* err, int code) { return fail(err, code, ora_message(code)); }

sword fail(OCIError* err, int code, std::string message) {
    if (err) {
        err->record.present = true;
        err->record.code = code;
        err->record.message = std::move(message);
    }
    return OCI_ERROR;
}

sword note(OCIError* err, sword status, int code) {
    fail(err, code);
    return status;
}

void clear(OCIError* err) {
    if (err) err->record.present = false;
}

}  // namespace ocilite
