#include "filelist/DirViewHelpers.h"

namespace filelist::detail {

bool IsDir(const WIN32_FIND_DATAA& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int64_t EntrySize(const WIN32_FIND_DATAA& entry) {
    return static_cast<int64_t>((static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
}

std::string ExtOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return std::string();
    std::string ext = name.substr(dot + 1, 3);
    const auto& table = UpperTable();
    for (char& c : ext)
        c = static_cast<char>(table[static_cast<unsigned char>(c)]);
    return ext;
}

int64_t FileTimeValue(const FILETIME& time) {
    return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

bool IsDriveRoot(const std::string& path) {
    return path.size() == 2 && path[1] == ':';
}

shell::UniquePidl ParsePath(IShellFolder& folder, HWND owner, const std::string& path) {
    const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (length <= 0) return shell::UniquePidl();
    std::vector<wchar_t> wide(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
    LPITEMIDLIST list = nullptr;
    const HRESULT hr = folder.ParseDisplayName(owner, nullptr, wide.data(), nullptr, &list, nullptr);
    shell::UniquePidl owned(list);
    if (FAILED(hr)) owned.reset();
    return owned;
}

bool HasPerFileIcon(const std::string& ext) {
    static const char* const kTypes[] = {"EXE", "LNK", "ICO", "ANI", "CUR", "PIF", "JOB", "CPL"};
    if (ext.size() != 3) return false;
    for (const char* t : kTypes)
        if (ext == t) return true;
    return false;
}

} // namespace filelist::detail
