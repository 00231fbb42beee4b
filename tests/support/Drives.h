// What the drive tests share: the drive-hiding policy key and a look at a drive's type.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

namespace testsupport {

inline constexpr char kDrivePolicyKey[] =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

// Set by ctest for the suites that run with the drive fixture: its drives must then be there.
inline constexpr char kDriveFixtureVariable[] = "KOVALIN_WINE_DRIVES";

// True when the drive exists with that type. The extra drives come from the ctest fixture
// tests/drivetree/wine-drives.sh; one that is missing fails the calling test when the fixture
// should have made it, and is named on the output when the suite runs without it, so that a
// test never passes quietly without the part that needs the drive.
inline bool HasDrive(char drive, UINT type) {
    if (GetDriveTypeA((std::string(1, drive) + ":\\").c_str()) == type) return true;
    char expected[4] = {};
    if (GetEnvironmentVariableA(kDriveFixtureVariable, expected, sizeof expected) > 0 && expected[0] == '1')
        ADD_FAILURE() << drive << ": of the drive fixture is missing (tests/drivetree/wine-drives.sh setup)";
    else
        std::printf("[   NOTE   ] %c: is not set up (tests/drivetree/wine-drives.sh setup): the part of %s "
                    "that needs it does not run\n",
                    drive,
                    ::testing::UnitTest::GetInstance()->current_test_info()
                        ? ::testing::UnitTest::GetInstance()->current_test_info()->name()
                        : "the test");
    return false;
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
