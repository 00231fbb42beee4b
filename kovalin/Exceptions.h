// The framework's error classes: every failure inside a deliverable is one of these.
#pragma once

#include <stdexcept>
#include <string>

namespace kovalin {

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// The system's text for a Win32 error code, without the trailing line break.
std::string SystemErrorMessage(unsigned long code);

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    const char* Message() const { return what(); }
};

// A graphic could not be read: bad or truncated image data.
class EInvalidGraphic : public Exception {
    using Exception::Exception;
};

// An operation that a graphic class does not support (resizing a compressed image).
class EInvalidGraphicOperation : public Exception {
    using Exception::Exception;
};

// The silent exception: ends an operation the user cancelled, shown to nobody.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

// A value could not be converted (a drive letter outside A..Z, say).
class EConvertError : public Exception {
    using Exception::Exception;
};

class ERegistryException : public Exception {
    using Exception::Exception;
};

class EStreamError : public Exception {
    using Exception::Exception;
};

class EOutOfResources : public Exception {
    using Exception::Exception;
};

// An index or size outside what a container holds or accepts.
class ERangeError : public Exception {
    using Exception::Exception;
};

// A Win32 call failed; the message carries the call and the system's error text.
class EOSError : public Exception {
public:
    EOSError(const char* what, unsigned long code);
    unsigned long ErrorCode() const { return code_; }

private:
    unsigned long code_;
};

// Throws EOSError for GetLastError() when a Win32 call reported failure.
[[noreturn]] void RaiseLastOSError(const char* what);

} // namespace kovalin
