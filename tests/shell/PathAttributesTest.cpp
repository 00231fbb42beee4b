#include "shell/PathAttributes.h"

#include "tests/support/HostFiles.h"
#include "tests/support/TestFiles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using shell::PathAttributes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {

std::string Numbered(const char* pattern, int n) {
    char name[64];
    std::snprintf(name, sizeof name, pattern, n);
    return name;
}

// Each path's answer against GetFileAttributes asked right afterwards.
void ExpectAsAskedOneByOne(const std::vector<std::string>& paths) {
    const std::vector<DWORD> answers = PathAttributes(paths);
    ASSERT_EQ(answers.size(), paths.size());
    for (size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(answers[i], GetFileAttributesA(paths[i].c_str())) << "\"" << paths[i] << "\"";
}

// Runs a host program (Wine runs those too) and waits until `done` holds, for at most ten seconds.
template <typename Done> bool RunOnHost(const std::string& command, Done&& done) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string line = command;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    // The handle of a host program does not always wait for it.
    for (int i = 0; i < 200 && !done(); ++i)
        Sleep(50);
    return done();
}

bool Listed(const std::string& folder, const std::string& name) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do
        found = found || name == entry.cFileName;
    while (FindNextFileA(find, &entry));
    FindClose(find);
    return found;
}

} // namespace

TEST(PathAttributesTest, ManyNamesOfAFolderAnswerAsEachAskedAlone) {
    TempDir dir;
    for (int i = 0; i < 30; ++i)
        WriteFileBytes(dir / Numbered("f%02d.txt", i), "x");
    SetFileAttributesA((dir / "f03.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    CreateDirectoryA((dir / "sub").c_str(), nullptr);
    WriteFileBytes(dir / "sub\\inner.txt", "y");

    std::vector<std::string> paths;
    // Missing names first, so that the folder's listing answers the rest.
    for (int i = 20; i < 60; ++i)
        paths.push_back(dir / Numbered("f%02d.txt", i));
    for (int i = 0; i < 20; ++i)
        paths.push_back(dir / Numbered(i % 2 ? "F%02d.TXT" : "f%02d.txt", i));
    for (const char* name : {"sub", "SUB", "Sub\\inner.txt", "f01.txt.", "f01.txt ", "f01.txt:stream",
                             "F01~1.TXT", "f0?.txt", "f*.txt", "sub\\", "."})
        paths.push_back(dir / name);
    // A folder that is not there, one name after another; the drive, relative and empty paths.
    for (int i = 0; i < 20; ++i)
        paths.push_back(dir / Numbered("none\\f%02d.txt", i));
    for (const std::string& odd :
         {dir.Path(), std::string("C:\\"), std::string("C:\\windows"), std::string("f01.txt"), std::string()})
        paths.push_back(odd);
    ExpectAsAskedOneByOne(paths);
}

TEST(PathAttributesTest, NamesTheListingCannotTellApartAreLeftToTheSystem) {
    TempDir dir;
    for (int i = 0; i < 20; ++i)
        WriteFileBytes(dir / Numbered("f%02d.txt", i), "x");
    // A name outside ASCII might be another name's other case to the file system.
    WriteFileBytes(dir / "caf\xe9.txt", "x");
    std::vector<std::string> paths;
    for (int i = 0; i < 40; ++i)
        paths.push_back(dir / Numbered("f%02d.txt", 39 - i));
    for (const char* name : {"caf\xe9.txt", "CAF\xc9.TXT", "cafe.txt"})
        paths.push_back(dir / name);
    ExpectAsAskedOneByOne(paths);

    // Two entries equal but for case, as a folder of the host can hold: the system picks.
    const std::string host = testsupport::HostPath(dir.Path());
    if (host.empty()) GTEST_SKIP() << "not under Wine";
    CreateDirectoryA((dir / "twin").c_str(), nullptr);
    if (!RunOnHost("Z:\\usr\\bin\\touch \"" + host + "/TWIN\"", [&] { return Listed(dir.Path(), "TWIN"); }))
        GTEST_SKIP() << "the host could not make the second name";
    for (const char* name : {"twin", "TWIN", "Twin"})
        paths.push_back(dir / name);
    ExpectAsAskedOneByOne(paths);
}
