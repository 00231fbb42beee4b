// The system error of the last create command of the file lists, 0 after its success. The program
// has one such value: a command that returns none leaves the reason here for its caller.
#pragma once

#include <windows.h>

namespace filelist {

class TLastIOError {
public:
    // The program's one.
    static TLastIOError& Program();

    TLastIOError(const TLastIOError&) = delete;
    TLastIOError& operator=(const TLastIOError&) = delete;

    DWORD Value() const { return value_; }
    void Set(DWORD value) { value_ = value; }

private:
    TLastIOError() = default;
    DWORD value_ = ERROR_SUCCESS;
};

} // namespace filelist
