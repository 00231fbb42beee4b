// The data object of a file drag: the file-drop list, the id list array and the file-name map,
// made from a snapshot of the file list when the drag starts.
#pragma once

#include "dragdrop/DataObject.h"
#include "dragdrop/FileList.h"

namespace dragdrop {

class TDataObjectFilesEx : public TDataObject {
public:
    // Offers the file-drop list when every item has a name, the id list array when every item
    // has an id list, and the map (wide on the NT family) when any item has a mapped name.
    TDataObjectFilesEx(const TFileList& files, bool ntFamily);

    bool HasFileDropList() const { return !dropList_.empty(); }
    bool HasIdListArray() const { return !idListArray_.empty(); }

protected:
    bool RenderData(const FORMATETC& format, STGMEDIUM& medium) override;

private:
    std::string dropList_, idListArray_, nameMap_;
    CLIPFORMAT nameMapFormat_ = 0;
};

} // namespace dragdrop
