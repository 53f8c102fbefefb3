#pragma once
// The program's failures. Every failure is an exception that carries the message text the user
// sees; it is caught only at the window's event boundaries and shown by one error display.

#include <stdexcept>
#include <string>
#include <utility>

// The general error: a failure with a message text.
class EOrvant : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    // What the system said and where (a device path, an address): shown under the message,
    // never part of it, so that the message itself stays the one files and users compare.
    const std::string& Detail() const { return FDetail; }
    void SetDetail(std::string detail) { FDetail = std::move(detail); }

private:
    std::string FDetail;
};

// The detail of any failure: an EOrvant's own, empty for others.
std::string DetailOf(const std::exception& error);

// The system's description of an error number ("Input/output error"), safe on any thread.
std::string SystemErrorText(int errorNumber);

// A value outside the range of the field that must hold it.
class ERangeError : public EOrvant {
public:
    ERangeError() : EOrvant("Range check error") {}
    using EOrvant::EOrvant;
};

// A text that does not convert to the number or date it should hold.
class EConvertError : public EOrvant {
public:
    using EOrvant::EOrvant;
};

// A calendar date that does not exist (31 February, say).
class EDateError : public EConvertError {
public:
    EDateError() : EConvertError("Invalid argument to date encode") {}
};

// A failed operation on a text or data file: "I/O error <n>" with the system's error number,
// followed by the file's name when there is one.
class EInOutError : public EOrvant {
public:
    EInOutError(int errorCode, const std::string& fileName);
    int ErrorCode;
};
