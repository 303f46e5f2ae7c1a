// The exception family of the program: every error that reaches the user carries one message text.
#pragma once

#include <QString>
#include <exception>
#include <string>

namespace rtl {

// Base of every error the program reports; message() is what the error box shows.
class Exception : public std::exception {
public:
    explicit Exception(QString message) : m_message(std::move(message)), m_utf8(m_message.toStdString()) {}
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
};

// A text that is not a number where a number is needed.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Stops a handler whose failure has been shown already: the guard shows nothing more.
class EAbort : public Exception {
public:
    EAbort() : Exception(QString()) {}
};

} // namespace rtl

using rtl::EConvertError;
