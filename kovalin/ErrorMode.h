// The system error mode for a scope: reads of drives without a medium, or of libraries that are
// missing, must fail quietly instead of putting up the system's box.
#pragma once

#include <windows.h>

namespace kovalin {

class TErrorModeScope {
public:
    explicit TErrorModeScope(UINT mode = SEM_FAILCRITICALERRORS) : old_(SetErrorMode(mode)) {}
    TErrorModeScope(const TErrorModeScope&) = delete;
    TErrorModeScope& operator=(const TErrorModeScope&) = delete;
    ~TErrorModeScope() { SetErrorMode(old_); }

private:
    UINT old_;
};

} // namespace kovalin
