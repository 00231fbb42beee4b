// What the file list's units share: letter case through the code page's own tables, the facts of
// a found entry, listing a folder, and the hourglass.
#pragma once

#include "kovalin/Handles.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace filelist::detail {

using CaseTable = std::array<unsigned char, 256>;
const CaseTable& LowerTable();
const CaseTable& UpperTable();
std::string LowerName(const std::string& name);
std::string UpperName(const std::string& name);

bool IsDotEntry(const char* name);
bool IsDir(const WIN32_FIND_DATAA& entry);
int64_t EntrySize(const WIN32_FIND_DATAA& entry);
// Upper case, the first three characters after the last dot.
std::string ExtOf(const std::string& name);
int64_t FileTimeValue(const FILETIME& time);
bool IsDriveRoot(const std::string& path);

// Runs `visit` for every entry matching the pattern until it answers false; true when it went
// through all of them.
template <typename Visit> bool ForEachEntry(const std::string& pattern, Visit&& visit) {
    WIN32_FIND_DATAA entry;
    // Without the 8.3 names, which nothing here uses and which are made up for every entry on
    // file systems that have none; systems before Windows 7 do not know the basic form.
    kovalin::UniqueFindHandle find(FindFirstFileExA(
        pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find && GetLastError() == ERROR_INVALID_PARAMETER)
        find.reset(FindFirstFileA(pattern.c_str(), &entry));
    if (!find) return true;
    do {
        if (!visit(entry)) return false;
    } while (FindNextFileA(find.get(), &entry));
    return true;
}

// The sub-folders met while listing a mask element that matches every name. Listing a folder is
// the dearest part of loading it, so the folder pass takes them from here instead of listing the
// folder a second time.
class FolderEntries {
public:
    void Begin(const std::string& element) {
        collecting_ = !complete_ && (element == "*.*" || element == "*");
        if (collecting_) entries_.clear();
    }
    void Note(const WIN32_FIND_DATAA& entry) {
        if (collecting_ && IsDir(entry) && !IsDotEntry(entry.cFileName)) entries_.push_back(entry);
    }
    void End(bool listedAll) {
        if (collecting_) complete_ = listedAll;
        collecting_ = false;
    }
    // Every sub-folder but "." and "..", until `visit` answers false.
    template <typename Visit> void ForEach(const std::string& folder, Visit&& visit) {
        if (complete_) {
            for (const WIN32_FIND_DATAA& entry : entries_)
                if (!visit(entry)) return;
            return;
        }
        ForEachEntry(folder + "*.*", [&visit](const WIN32_FIND_DATAA& entry) {
            if (!IsDir(entry) || IsDotEntry(entry.cFileName)) return true;
            return visit(entry);
        });
    }

private:
    std::vector<WIN32_FIND_DATAA> entries_;
    bool collecting_ = false, complete_ = false;
};

// The hourglass for as long as the object lives.
class WaitCursor {
public:
    WaitCursor() : old_(SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)))) {}
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor() { SetCursor(old_); }

private:
    HCURSOR old_;
};

} // namespace filelist::detail
