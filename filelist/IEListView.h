// The base of the file list: a list view that keeps a sort column and direction and shows them as
// an arrow in the column header, shows the system's icon lists, owns a drag image list, formats
// time stamps the way the user's locale does, and normalises and splits file masks. How the items
// are sorted is left to the derived list.
#pragma once

#include "kovalin/ImageList.h"
#include "kovalin/ListView.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace kovalin {
class TForm;
}

namespace filelist {

// How much of a time stamp the list shows.
enum class TDateTimeDisplay {
    dtdDateTimeSec, // date, two blanks, long time format
    dtdDateTime,    // date, two blanks, short time format
    dtdDate         // date only
};

class TIEListView : public kovalin::TListView {
public:
    TIEListView(kovalin::TWinControl& parent, const Params& params);
    ~TIEListView() override;

    // Show the sort arrow in the header of the sort column.
    bool ShowColumnIcon() const { return showColumnIcon_; }
    virtual void SetShowColumnIcon(bool value);
    unsigned SortColumn() const { return sortColumn_; }
    virtual void SetSortColumn(unsigned value);
    bool SortAscending() const { return sortAscending_; }
    virtual void SetSortAscending(bool value);
    // Puts the items in the order of SortColumn and SortAscending.
    virtual void SortItems() = 0;
    void SetViewStyle(kovalin::TViewStyle value) override;

    TDateTimeDisplay DateTimeDisplay() const { return dateTimeDisplay_; }
    virtual void SetDateTimeDisplay(TDateTimeDisplay value);
    // Builds DateFormatStr and DateTimeFormatStr from the user's short date and time formats.
    virtual void UpdateDateTimeFormat();
    // Date pictures and time pictures as the locale functions take them (dd.MM.yyyy, HH:mm:ss).
    const std::string& DateFormatStr() const { return dateFormatStr_; }
    const std::string& DateTimeFormatStr() const { return dateTimeFormatStr_; }
    // A local time in DateTimeFormatStr.
    std::string FormatDateTime(const SYSTEMTIME& time) const;

    // Semicolon-separated file masks, normalised when set.
    const std::string& Mask() const { return mask_; }
    virtual void SetMask(const std::string& value);
    // Trimmed, "*.*" when empty, blanks and commas turned into single semicolons, lower case.
    virtual std::string NormalizeMask(const std::string& mask) const;
    // Takes the first element off a mask list and returns it; the list is empty after its last.
    virtual std::string GetNextMask(std::string& masks) const;

    // Puts the sort arrow on the sort column's header item and takes it off the others.
    virtual void UpdateHeaderImages();
    // The arrow was set and no header notification has disturbed it since.
    bool HeaderImagesValid() const { return headerImagesValid_; }

    kovalin::TForm* ParentForm() const { return parentForm_; }
    kovalin::TImageList* DragImageList() const { return dragImageList_.get(); }
    // The parent-folder overlays, loaded from the program's bitmaps "DIRUP16" and "DIRUP32" on
    // first use.
    kovalin::TImageList& DirUpImages16();
    kovalin::TImageList& DirUpImages32();

    // The drag image list of the first list whose window was made, for the drag-and-drop code;
    // none again once that list is gone.
    static kovalin::TImageList* DefaultDragImageList();

    // A header column was dragged to a new place.
    std::function<void(TIEListView& sender)> OnHeaderEndDrag;
    // A header divider was dragged or double-clicked.
    std::function<void(TIEListView& sender)> OnHeaderEndTrack;

protected:
    // Attaches the system's small and large icon lists, each only when none is attached yet.
    virtual void CreateImageLists();
    virtual void DoHeaderEndDrag();

    void ColClick(int column) override;
    LRESULT HeaderNotify(NMHDR& header) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // Keeps the program-wide sort arrows alive while any list uses them.
    class ArrowUser {
    public:
        ArrowUser();
        ArrowUser(const ArrowUser&) = delete;
        ArrowUser& operator=(const ArrowUser&) = delete;
        ~ArrowUser();
    };

    ArrowUser arrowUser_;
    bool showColumnIcon_ = true;
    unsigned sortColumn_ = 0;
    bool sortAscending_ = true;
    TDateTimeDisplay dateTimeDisplay_ = TDateTimeDisplay::dtdDateTimeSec;
    std::string mask_ = "*.*";
    bool headerImagesValid_ = false;
    std::string dateFormatStr_, dateTimeFormatStr_;
    std::string longTimeFormat_, shortTimeFormat_;
    kovalin::TForm* parentForm_ = nullptr;
    std::unique_ptr<kovalin::TImageList> systemSmallImages_, systemLargeImages_;
    std::unique_ptr<kovalin::TImageList> dragImageList_;
    std::unique_ptr<kovalin::TImageList> dirUpImages16_, dirUpImages32_;
};

} // namespace filelist
