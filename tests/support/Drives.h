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

} // namespace testsupport
