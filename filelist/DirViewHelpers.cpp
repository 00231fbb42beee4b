#include "filelist/DirViewHelpers.h"

namespace filelist::detail {

namespace {

// Letter case through the ANSI code page's own tables, built once: changing names byte by byte
// is what keeps comparing, indexing and loading 100 000 names cheap.

CaseTable MakeCaseTable(DWORD(WINAPI* convert)(LPSTR, DWORD)) {
    CaseTable t{};
    for (int i = 0; i < 256; ++i)
        t[static_cast<size_t>(i)] = static_cast<unsigned char>(i);
    convert(reinterpret_cast<char*>(t.data() + 1), 255);
    return t;
}

} // namespace

const CaseTable& LowerTable() {
    static const CaseTable table = MakeCaseTable(CharLowerBuffA);
    return table;
}

const CaseTable& UpperTable() {
    static const CaseTable table = MakeCaseTable(CharUpperBuffA);
    return table;
}

std::string MapCase(const std::string& name, const CaseTable& table) {
    std::string out(name);
    for (char& c : out)
        c = static_cast<char>(table[static_cast<unsigned char>(c)]);
    return out;
}

std::string LowerName(const std::string& name) {
    return MapCase(name, LowerTable());
}

std::string UpperName(const std::string& name) {
    return MapCase(name, UpperTable());
}

bool IsDotEntry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

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

} // namespace filelist::detail
