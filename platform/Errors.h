#pragma once
// Errors are exceptions that carry the message the user sees.

#include <QString>
#include <exception>
#include <string>

class EError : public std::exception {
public:
    explicit EError(QString message) : message_(std::move(message)), utf8_(message_.toStdString()) {}
    const QString& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString message_;
    std::string utf8_;
};

// A text that does not convert to a number.
class EConvertError : public EError {
public:
    using EError::EError;
};

// An index or a rounded value outside its range: "Range check error".
class ERangeError : public EError {
public:
    ERangeError() : EError(QStringLiteral("Range check error")) {}
    // The same error with where it happened in front ("seq.par, line 3: Range check error").
    explicit ERangeError(QString message) : EError(std::move(message)) {}
};

// A file that cannot be opened, positioned or read.
class EInOutError : public EError {
public:
    using EError::EError;
};

// A size that would not fit in memory, refused before anything is allocated, or an allocation
// that failed anyway ("Out of memory").
class EOutOfMemory : public EError {
public:
    using EError::EError;
};
