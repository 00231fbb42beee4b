// The editor's Open and Save As boxes, with one filter line per plug-in file format.
#pragma once

#include "tools/vodedi/PluginCatalog.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace vodedi {

// The filter text of the common file dialogs: "descr|*.ext|..." with zero bytes for the bars and
// a double zero at the end. With allFiles, a first line covering every format.
std::string DialogFilter(const std::vector<TFileFormat>& formats, bool allFiles);

struct TChosenFile {
    std::string path;
    const TFileFormat* format = nullptr; // for Save As: the format whose line was chosen
};

std::optional<TChosenFile> AskOpenFile(HWND owner, const std::vector<TFileFormat>& formats);
// The chosen format's extension is added when the name has none.
std::optional<TChosenFile> AskSaveFile(HWND owner, const std::vector<TFileFormat>& formats,
                                       const std::string& initialName);

} // namespace vodedi
