// The system's exception classes. Every error carries a message, a code that the error
// handler maps to advice, and a level: 0 the run may go on, 1 the run stops, 2 internal
// error. tk_final_exception is deliberately not a tk_exception: it ends a run and must pass
// every "catch (tk_exception&)". Catch it first, then tk_exception, then std::exception.
#pragma once

#include <cerrno>
#include <exception>
#include <string>
#include <string_view>

#include "TK/tk_where.h"
#include "compat/text/text.h"

class tk_exception : public std::exception {
public:
    // Message "Unknown exception", code 0.
    explicit tk_exception(int level);
    // An empty text gives "Unknown exception".
    tk_exception(std::string_view message, int level);
    tk_exception(const char* message, int level) : tk_exception(std::string_view(message ? message : ""), level) {}
    tk_exception(const std::string& message, int level) : tk_exception(std::string_view(message), level) {}
    // The text in the ANSI code page (an empty text stays empty).
    tk_exception(compat::wstring_view message, int level);
    tk_exception(std::string_view message, int code, int level);

    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& message() const noexcept { return message_; }
    int code() const noexcept { return code_; }
    int level() const noexcept { return level_; }

protected:
    void set_message(std::string message) { message_ = std::move(message); }
    void set_code(int code) { code_ = code; }

private:
    std::string message_;
    int code_ = 0;
    int level_ = 0;
};

// A failed system call: level 1, code = errno, message = the system's text for it. The
// default argument reads errno at the throw site, before any log call can change it.
class tk_exception_ex : public tk_exception {
public:
    explicit tk_exception_ex(int error = errno);
};

// A failed invariant: level 2, the message "Internal error: \ncode=" and the hex digits of
// "<source file>\<line>". Pass one of tk_where's spellings as the file.
class tk_mail_assertion : public tk_exception {
public:
    tk_mail_assertion(const char* source_file, int line);
};

// Ends a run (wizard program); carries nothing.
class tk_final_exception : public std::exception {
public:
    tk_final_exception();
};

// "Internal error: \ncode=" followed by two lower-case hex digits per byte of
// "<source_file>\<line>" (at most 275 bytes of it).
std::string tk_assertion_text(const char* source_file, int line);
