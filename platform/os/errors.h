// The client's exception family: every failure that reaches a user carries a text.
#pragma once

#include <QString>
#include <exception>
#include <string>

namespace qel {

// Base of every error the client raises or passes on (database, parser, input/output).
class Error : public std::exception {
public:
    explicit Error(QString message) : message_(std::move(message)), utf8_(message_.toStdString()) {}
    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString message_;
    std::string utf8_;
};

// Reading or writing a file failed.
class IoError : public Error {
public:
    using Error::Error;
};

// A rule refused an operation and has already told the user (or must say nothing):
// every entry point swallows it without a message.
class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "operation aborted"; }
};

[[noreturn]] inline void abortSilently() { throw SilentAbort(); }

} // namespace qel
