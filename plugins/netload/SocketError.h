// Errors of the socket layer and the standard texts of the Windows Sockets error codes.
#pragma once

#include "kovalin/Exceptions.h"

#include <string>

namespace netload {

// A socket was misused or the sockets library failed; ErrorCode is the Windows Sockets code
// behind it, 0 when there is none.
class ESocketException : public kovalin::Exception {
public:
    explicit ESocketException(const std::string& message, int code = 0) : Exception(message), code_(code) {}
    int ErrorCode() const { return code_; }

private:
    int code_;
};

// The short text of a Windows Sockets error code: "No Error" for 0, "Not a WinSock error" for
// a code the interface does not define.
std::string WSocketErrorDesc(int code);

} // namespace netload
