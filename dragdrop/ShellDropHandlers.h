// The shell's part in a drop: the drag-drop handlers registered for folders, which add their
// commands to the drop menu, and the drop target of a single shell item.
#pragma once

#include "kovalin/ComPtr.h"
#include "shell/PIDL.h"

#include <cstddef>
#include <shlobj.h>

#include <vector>

namespace dragdrop {

#if defined(__i386__)
// The invoke record handed to a handler's command: 36 bytes on 32-bit Windows.
static_assert(sizeof(CMINVOKECOMMANDINFO) == 36);
static_assert(offsetof(CMINVOKECOMMANDINFO, hwnd) == 8 && offsetof(CMINVOKECOMMANDINFO, lpVerb) == 12 &&
              offsetof(CMINVOKECOMMANDINFO, nShow) == 24 && offsetof(CMINVOKECOMMANDINFO, hIcon) == 32);
#endif

// The key under the classes root that lists the folder handlers.
inline constexpr char kFolderDragDropHandlersKey[] = "Folder\\ShellEx\\DragDropHandlers";

class TFolderDropHandlers {
public:
    TFolderDropHandlers() = default;
    TFolderDropHandlers(const TFolderDropHandlers&) = delete;
    TFolderDropHandlers& operator=(const TFolderDropHandlers&) = delete;

    // Lets every registered handler (last to first) add its items at the top of the menu,
    // numbered from nextCommand up to 0x7FFF; nextCommand ends after the last item added.
    void AddToMenu(HMENU menu, UINT& nextCommand, LPCITEMIDLIST folder, IDataObject* data);
    // Runs the command of the handler whose range holds it; false when none owns it or it failed.
    bool Invoke(UINT command, HWND window, bool& owned);
    // Lets go of every handler.
    void Clear() { handlers_.clear(); }
    int Count() const { return static_cast<int>(handlers_.size()); }

private:
    struct Handler {
        kovalin::ComPtr<IContextMenu> menu;
        UINT first, next;
    };
    std::vector<Handler> handlers_;
};

// The drop target of one item, given as absolute id list or as path (either may be empty);
// none when the item does not exist or its folder offers no drop target for it.
kovalin::ComPtr<IDropTarget> ItemDropTarget(LPCITEMIDLIST item, const std::string& name, HWND window);

} // namespace dragdrop
