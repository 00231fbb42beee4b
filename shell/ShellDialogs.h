// The shell's context menu for files and folders (with the application's own extra items), shell
// verbs invoked without a menu, and the clipboard formats of shell data transfer.
#pragma once

#include "kovalin/Menus.h"

#include <windows.h>

#include <shlobj.h>

#include <string>
#include <vector>

namespace shell {

// Shows the context menu of one file or folder at a screen point and runs the chosen command.
// Returns the chosen verb in lower case ("" for none or an extra item). "rename" is never run
// (the caller edits in place), nor "paste" unless invokePaste (the caller pastes itself). The
// visible, enabled items of extraItems follow the shell's own below a line; a chosen one is
// clicked.
std::string ShellDisplayContextMenu(HWND owner, POINT screenPoint, const std::string& path, bool invokePaste,
                                    bool canRename, const kovalin::TPopupMenu* extraItems = nullptr);
// The same for several items of one folder.
std::string ShellDisplayContextMenuMulti(HWND owner, POINT screenPoint, const std::string& folder,
                                         const std::vector<std::string>& names, bool invokePaste,
                                         bool canRename, const kovalin::TPopupMenu* extraItems = nullptr);

// The same for items of a shell folder given by their id lists relative to it (the items of a
// recycle bin, which have no file-system path).
std::string ShellDisplayContextMenuItems(HWND owner, POINT screenPoint, IShellFolder* folder,
                                         const std::vector<LPCITEMIDLIST>& items, bool invokePaste,
                                         bool canRename);

// Runs a verb of the path's context menu without showing it; "" runs the default item.
bool ShellExecuteVerb(HWND owner, const std::string& verb, const std::string& path);
// A verb (not "") of the context menu of several items of one folder, or of items of a shell
// folder by their relative id lists.
bool ShellExecuteVerbMulti(HWND owner, const std::string& verb, const std::string& folder,
                           const std::vector<std::string>& names);
bool ShellExecuteVerbItems(HWND owner, const std::string& verb, IShellFolder* folder,
                           const std::vector<LPCITEMIDLIST>& items);

// Registered clipboard format numbers, registered once in this order on first use.
struct TShellClipboardFormats {
    UINT FileContents, FileGroupDescriptor, FileName, FileNameMap, FileNameMapW, InShellDragLoop, NetResource,
        PasteSucceeded, PerformedDropEffect, PreferredDropEffect, PrinterFriendlyName, ShellIDListArray,
        ShellObjectOffsets, UniformResourceLocator;
};
const TShellClipboardFormats& ShellClipboardFormats();

} // namespace shell
