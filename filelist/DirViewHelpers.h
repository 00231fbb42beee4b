// What the file list's units share: letter case through the code page's own tables, the facts of
// a found entry, listing a folder, and the hourglass.
#pragma once

#include "kovalin/Handles.h"
#include "shell/FolderEntries.h"
#include "shell/NameCase.h"
#include "shell/PIDL.h"
#include "shell/WaitCursor.h"

#include <windows.h>

#include <shlobj.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace filelist {
class TDirView;
}

namespace filelist::detail {

using shell::CaseTable;
using shell::IsDotEntry;
using shell::LowerTable;
using shell::UpperTable;
inline std::string LowerName(const std::string& name) {
    return shell::LowerCase(name);
}
inline std::string UpperName(const std::string& name) {
    return shell::UpperCase(name);
}

bool IsDir(const WIN32_FIND_DATAA& entry);
int64_t EntrySize(const WIN32_FIND_DATAA& entry);
// Upper case, the first three characters after the last dot.
std::string ExtOf(const std::string& name);
int64_t FileTimeValue(const FILETIME& time);
bool IsDriveRoot(const std::string& path);
// Files whose icon is their own, not their type's: programs, shortcuts, icons and cursors.
bool HasPerFileIcon(const std::string& ext);
// The item id list that `folder` makes of a path, none when it cannot; `owner` is the window of
// any question the shell asks.
shell::UniquePidl ParsePath(IShellFolder& folder, HWND owner, const std::string& path);

// Runs `visit` for every entry matching the pattern until it answers false; true when it went
// through all of them. Without the 8.3 names, which nothing here uses.
template <typename Visit> bool ForEachEntry(const std::string& pattern, Visit&& visit) {
    return shell::ForEachEntry(pattern, std::forward<Visit>(visit), false);
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

using WaitCursor = shell::TWaitCursor;

// Those of the list's items at the indices whose files (or folders) are gone, asked for all at
// once; what ItemFileGone answers for each.
std::vector<int> GoneItems(const TDirView& list, const std::vector<int>& indices);

} // namespace filelist::detail
