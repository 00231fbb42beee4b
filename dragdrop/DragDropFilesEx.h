// File drag and drop for one control: drags out the files of its file list in every format
// other programs read, reads dropped files back into that list, and lets the shell's folder
// handlers and an item's own drop target take part.
#pragma once

#include "dragdrop/DragDrop.h"
#include "dragdrop/FileList.h"
#include "dragdrop/ShellDropHandlers.h"

namespace dragdrop {

// Which representation every item must have, on both sides of a drag.
using TNeedValid = DWORD;
inline constexpr TNeedValid nvFilename = 1;
inline constexpr TNeedValid nvPIDL = 2;

struct TShellExtension {
    bool DragDropHandler = false; // folder handlers in the drop menu
    bool DropHandler = false;     // a drop onto a file goes to that file's drop target
};

class TDragDropFilesEx : public TDragDrop {
public:
    TDragDropFilesEx();

    TFileList& FileList() { return files_; }
    bool CompleteFileList() const { return completeFileList_; }
    void SetCompleteFileList(bool value) { completeFileList_ = value; }
    TNeedValid NeedValid() const { return needValid_; }
    void SetNeedValid(TNeedValid value) { needValid_ = value; }
    const TShellExtension& ShellExtensions() const { return shellExtensions_; }
    void SetShellExtensions(const TShellExtension& value) { shellExtensions_ = value; }
    // Whether the files last received came with a file-name map.
    bool MappedNames() const { return mappedNames_; }

    // Asked for the shell item under the cursor (handlers = true: the folder for the drop menu's
    // handlers; false: an item for its own drop target): an absolute id list (handed over) or a
    // file name.
    std::function<void(bool handlers, POINT point, shell::UniquePidl& item, std::string& name)>
        OnSpecifyDropTarget;

    // Reads files from a data object into the file list, as a drop does.
    void ReadData(IDataObject* data);
    // Whether the item (id list or path) can take a drop itself; clears link from an effect that
    // holds nothing else when it can.
    bool DropTargetItem(LPCITEMIDLIST item, const std::string& name, TDropEffects& effect);

protected:
    kovalin::ComPtr<IDataObject> CreateDataObject() override;
    bool DropAcceptable(IDataObject* data) override;
    void TakeData(IDataObject* data) override { ReadData(data); }
    bool DropHandler(IDataObject* data, DWORD keyState, POINT screenPoint, TDropEffects effect) override;
    void MenuPopup(HMENU menu, IDataObject* data, UINT& nextCommand, DWORD keyState, POINT point) override;
    bool MenuExecCmd(HMENU menu, IDataObject* data, UINT command, DWORD keyState, POINT point) override;
    void MenuDestroy(HMENU menu) override;

private:
    // Fills in missing id lists and names; false when NeedValid asks for what could not be had.
    bool Complete();
    // The owner's answer for the point, as an absolute id list.
    shell::UniquePidl SpecifiedTarget(bool handlers, POINT point, std::string& name);

    TFileList files_;
    bool completeFileList_ = true;
    TNeedValid needValid_ = 0;
    TShellExtension shellExtensions_;
    bool mappedNames_ = false;
    TFolderDropHandlers handlers_;
};

} // namespace dragdrop
