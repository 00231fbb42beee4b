#include "tests/support/TestFiles.h"

#include "kovalin/Module.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testsupport {

TempDir::TempDir() {
    static int counter = 0;
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    for (;;) {
        path_ = std::string(tmp) + "kvtest-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter);
        if (CreateDirectoryA(path_.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create " + path_);
    }
}

TempDir::~TempDir() {
    // A file dialog may have made the folder, or one in it, the process's current folder, which
    // keeps it from being removed; left behind, it changes what later tests see of drive C.
    char current[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(MAX_PATH, current);
    if (length > 0 && length < MAX_PATH && length >= path_.size() &&
        CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, current, static_cast<int>(path_.size()),
                       path_.c_str(), static_cast<int>(path_.size())) == CSTR_EQUAL &&
        (current[path_.size()] == '\\' || current[path_.size()] == '\0')) {
        char temp[MAX_PATH];
        if (GetTempPathA(MAX_PATH, temp)) SetCurrentDirectoryA(temp);
    }
    DeleteTree(path_);
}

void DeleteTree(const std::string& path) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = path + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(path.c_str());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) throw std::runtime_error("cannot write " + path);
}

void WriteSizedFile(const std::string& path, int64_t size) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + path);
    LARGE_INTEGER at;
    at.QuadPart = size;
    const bool sized = SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    CloseHandle(h);
    if (!sized) throw std::runtime_error("cannot size " + path);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string ExeFolder() {
    return kovalin::ModuleFolder(nullptr);
}

} // namespace testsupport
