#include "tools/vodedi/FileDialogs.h"

#include <commdlg.h>

namespace vodedi {

std::string DialogFilter(const std::vector<TFileFormat>& formats, bool allFiles) {
    std::string filter;
    if (allFiles && !formats.empty()) {
        std::string patterns;
        for (const TFileFormat& f : formats)
            patterns += (patterns.empty() ? "*." : ";*.") + f.extension;
        filter += "All Images (" + patterns + ")";
        filter += '\0';
        filter += patterns;
        filter += '\0';
    }
    for (const TFileFormat& f : formats) {
        filter += f.description;
        filter += '\0';
        filter += "*." + f.extension;
        filter += '\0';
    }
    filter += "All Files (*.*)";
    filter += '\0';
    filter += "*.*";
    filter += '\0';
    return filter; // the string's own terminator makes the final double zero
}

std::optional<TChosenFile> AskOpenFile(HWND owner, const std::vector<TFileFormat>& formats) {
    std::string filter = DialogFilter(formats, true);
    char name[MAX_PATH] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = name;
    ofn.nMaxFile = sizeof name;
    ofn.lpstrTitle = "Open";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!GetOpenFileNameA(&ofn)) return std::nullopt;
    return TChosenFile{name, nullptr};
}

std::optional<TChosenFile> AskSaveFile(HWND owner, const std::vector<TFileFormat>& formats,
                                       const std::string& initialName) {
    if (formats.empty()) return std::nullopt;
    std::string filter = DialogFilter(formats, false);
    char name[MAX_PATH] = "";
    lstrcpynA(name, initialName.c_str(), sizeof name);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name;
    ofn.nMaxFile = sizeof name;
    ofn.lpstrTitle = "Save As";
    ofn.lpstrDefExt = formats.front().extension.c_str();
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!GetSaveFileNameA(&ofn)) return std::nullopt;
    // The last line is "All Files": it saves in the first format.
    size_t index = ofn.nFilterIndex >= 1 && ofn.nFilterIndex <= formats.size() ? ofn.nFilterIndex - 1 : 0;
    TChosenFile chosen{name, &formats[index]};
    std::string& path = chosen.path;
    size_t slash = path.find_last_of("\\/"), dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        path += "." + chosen.format->extension;
    return chosen;
}

} // namespace vodedi
