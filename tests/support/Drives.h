// What the drive tests share: the drive-hiding policy key and a look at a drive's type.
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

inline constexpr char kDrivePolicyKey[] =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

// True when the drive exists with that type (the extra drives come from tests/drivetree/wine-drives.sh).
inline bool HasDrive(char drive, UINT type) {
    return GetDriveTypeA((std::string(1, drive) + ":\\").c_str()) == type;
}

// The share a network drive is mapped to, as the network reports it; empty when it reports none.
inline std::string RemoteName(char drive) {
    char remote[261] = {};
    DWORD len = 260;
    const char local[3] = {drive, ':', '\0'};
    if (WNetGetConnectionA(local, remote, &len) != NO_ERROR) remote[0] = '\0';
    return remote;
}

// The last path component of a share name.
inline std::string ShareLeaf(const std::string& share) {
    const size_t slash = share.find_last_of('\\');
    return slash == std::string::npos ? share : share.substr(slash + 1);
}

} // namespace testsupport
