// A list view over the common-controls list view. The items live in this object and the control
// asks for what it draws (an owner-data list), so filling, sorting and clearing a list of 100 000
// items cost no more than the vector behind it; cell texts and images are computed on demand.
#pragma once

#include "kovalin/ListColumn.h"
#include "kovalin/ListItem.h"
#include "kovalin/WinControl.h"

#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kovalin {

class TImageList;

enum class TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

// A request of the control for what it shows of an item; the handler fills in the parts asked for.
struct TListDispInfo {
    int column = 0; // 0: the item itself, 1 and up: its sub-items in report style
    bool wantText = false;
    std::string text; // preset to the caption for column 0
    bool wantImage = false;
    int imageIndex = -1; // preset to the item's ImageIndex
};

// Orders two items: negative when a comes first, positive when b does, 0 when equal.
using TListCompare = std::function<int(TListItem* a, TListItem* b)>;
// The same, for the items at positions a and b as they were before the sort.
using TListIndexCompare = std::function<int(int a, int b)>;

class TListView : public TWinControl {
public:
    struct Params {
        int left = 0, top = 0, width = 250, height = 150;
        TViewStyle viewStyle = TViewStyle::vsIcon;
        bool multiSelect = false;
        bool readOnly = false;         // no editing of captions in place
        bool columnClick = true;       // column headers act as buttons
        bool showColumnHeaders = true; // in report style
        bool hideSelection = true;     // selection not shown while the list has no focus
        bool rowSelect = false;        // the whole row shows as selected in report style
        bool hotTrack = false;         // items under the mouse are selected
        bool fullDrag = false;         // columns can be dragged to a new place in the header
        bool visible = true;
    };

    TListView(TWinControl& parent, const Params& params);
    // Raises OnDeletion for every item that is left.
    ~TListView() override;

    // Items.
    int ItemCount() const { return static_cast<int>(items_.size()); }
    // Raises ERangeError outside 0 .. ItemCount() - 1.
    TListItem& Item(int index) const;
    TListItem& AddItem(const std::string& caption = std::string(),
                       std::unique_ptr<TListItemData> data = nullptr);
    // Raises OnDeletion, then removes the item; the marks of the items after it move with them.
    void DeleteItem(int index);
    // What DeleteItem does for each of the indices (in any order), done at once: the items that
    // stay keep their selection and focus. Many items go in the time of one pass over the list.
    void DeleteItems(std::vector<int> indices);
    void ClearItems();
    // Sorts with the comparison; selection and focus stay on the same items. While the comparison
    // runs, every item keeps the Index() it had before the sort.
    void CustomSort(const TListCompare& compare);
    // The same, comparing positions: for callers that keep what they compare by in arrays of
    // their own, so that a sort of many items does not visit every item object at each step.
    void CustomSortByIndex(const TListIndexCompare& compare);
    // Puts the items in an order worked out elsewhere: the item at position order[i] moves to
    // position i (every position once). Selection and focus stay on the same items.
    void ApplyOrder(const std::vector<int>& order);
    // Goes up whenever the items may have left the order they were put in (an item added, the
    // items reordered, a caption changed), so that an owner who sorted them knows whether they
    // still are.
    uint64_t OrderChanges() const { return orderChanges_; }

    // Brackets a batch of changes: no drawing, and the control learns the new item count once
    // at the end. Brackets nest.
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return updateCount_ > 0; }

    // Selection and focus.
    TListItem* Selected() const; // the first selected item
    // Selects only this item (none for nullptr).
    void SetSelected(TListItem* item);
    int SelCount() const;
    TListItem* ItemFocused() const;
    void SetItemFocused(TListItem* item);
    // The next item after `start` (from the first for nullptr) with the LVNI_* properties.
    TListItem* GetNextItem(TListItem* start, UINT flags) const;
    void ClearSelection();
    void SelectAll();
    TListItem* DropTarget() const { return dropTarget_; }
    void SetDropTarget(TListItem* item);

    // Where things are.
    TListItem* TopItem() const;
    int VisibleRowCount() const;
    TListItem* GetItemAt(int x, int y) const;
    // The first item from `start` whose text starts with (or is, unless `partial`) `text`,
    // ignoring case; wraps to the top when `wrap`.
    TListItem* FindCaption(int start, const std::string& text, bool partial, bool wrap);
    // Asks the control to draw items first .. last again.
    void UpdateItems(int first, int last);

    // Columns, shown in report style.
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    TListColumn& Column(int index) const;
    TListColumn& AddColumn(const TListColumn::Params& params);
    void ClearColumns();
    // Display order of the columns, as column indices from left to right.
    std::vector<int> ColumnOrder() const;
    void SetColumnOrder(const std::vector<int>& order);
    HWND HeaderHandle() const;

    // Images; the lists stay their owner's (the control is told to share them).
    TImageList* SmallImages() const { return smallImages_; }
    void SetSmallImages(TImageList* images);
    TImageList* LargeImages() const { return largeImages_; }
    void SetLargeImages(TImageList* images);

    TViewStyle ViewStyle() const;
    virtual void SetViewStyle(TViewStyle value);
    bool MultiSelect() const { return !HasStyle(LVS_SINGLESEL); }
    virtual void SetMultiSelect(bool value) { SetStyle(LVS_SINGLESEL, !value); }
    bool ReadOnly() const { return !HasStyle(LVS_EDITLABELS); }
    void SetReadOnly(bool value) { SetStyle(LVS_EDITLABELS, !value); }
    bool ColumnClick() const { return !HasStyle(LVS_NOSORTHEADER); }
    void SetColumnClick(bool value);
    bool ShowColumnHeaders() const { return !HasStyle(LVS_NOCOLUMNHEADER); }
    void SetShowColumnHeaders(bool value) { SetStyle(LVS_NOCOLUMNHEADER, !value); }
    bool HideSelection() const { return !HasStyle(LVS_SHOWSELALWAYS); }
    void SetHideSelection(bool value) { SetStyle(LVS_SHOWSELALWAYS, !value); }
    bool RowSelect() const { return HasExStyle(LVS_EX_FULLROWSELECT); }
    void SetRowSelect(bool value) { SetExStyle(LVS_EX_FULLROWSELECT, value); }
    bool HotTrack() const { return HasExStyle(LVS_EX_TRACKSELECT); }
    void SetHotTrack(bool value) { SetExStyle(LVS_EX_TRACKSELECT, value); }
    bool FullDrag() const { return HasExStyle(LVS_EX_HEADERDRAGDROP); }
    void SetFullDrag(bool value) { SetExStyle(LVS_EX_HEADERDRAGDROP, value); }
    COLORREF Color() const;
    void SetColor(COLORREF value);

    // What the control shows of an item, asked for at each drawing. Unhandled: the caption and
    // ImageIndex for column 0, nothing for the others.
    std::function<void(TListItem& item, TListDispInfo& info)> OnData;
    std::function<void(int column)> OnColumnClick;
    // The selection of an item changed; nullptr when it changed for several items at once.
    std::function<void(TListItem* item, bool selected)> OnSelectItem;
    // An item is about to go, its data still with it.
    std::function<void(TListItem& item)> OnDeletion;
    // Editing a caption in place may start: clear `allow` to refuse.
    std::function<void(TListItem& item, bool& allow)> OnEditing;
    // Editing ended with a new text, which the handler may change; it becomes the caption.
    std::function<void(TListItem& item, std::string& text)> OnEdited;
    std::function<void()> OnDblClick;

protected:
    // The column-click notification; raises OnColumnClick.
    virtual void ColClick(int column);
    // Fills a display request; raises OnData.
    virtual void DoGetDispInfo(TListItem& item, TListDispInfo& info);
    // Custom drawing (NM_CUSTOMDRAW); the result is the CDRF_* answer.
    virtual LRESULT CustomDraw(NMLVCUSTOMDRAW& draw);
    // A notification of the header control; the default is the control's own handling.
    virtual LRESULT HeaderNotify(NMHDR& header);
    // The list was double-clicked; raises OnDblClick.
    virtual void DblClick();
    // The selection of an item changed (nullptr: of several at once); raises OnSelectItem.
    virtual void SelectItem(TListItem* item, bool selected);
    // The control saw the mouse move far enough with a button held down on an item (the right
    // one when `rightButton`); `start` is where the button went down, in client coordinates.
    virtual void BeginDrag(TListItem* /*item*/, bool /*rightButton*/, POINT /*start*/) {}

    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    LRESULT NotifyHandler(NMHDR& header) override;

private:
    friend class TListItem;
    friend class TListColumn;

    bool HasStyle(DWORD bit) const;
    void SetStyle(DWORD bit, bool on);
    bool HasExStyle(DWORD bit) const;
    void SetExStyle(DWORD bit, bool on);
    TListItem* ItemOrNull(LRESULT index) const;
    void CheckIndex(int index) const;
    // The control learns of added items lazily (see BeginUpdate); every message that names an
    // item by index is preceded by this.
    void SyncCount() const;
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
    std::vector<int> SelectedIndices(int from) const;
    void ShiftMarksAfterDelete(int index);
    // Sets or clears state bits of item `index` (-1: every item) in the control.
    void SetItemStateBits(int index, UINT mask, bool on);
    void AnswerDispInfo(NMLVDISPINFOA& request);
    int FindText(int start, const std::string& text, bool partial, bool wrap);
    std::string ItemText(TListItem& item);

    std::vector<std::unique_ptr<TListItem>> items_;
    std::vector<std::unique_ptr<TListColumn>> columns_;
    mutable size_t controlCount_ = 0; // the item count the control was last told
    int updateCount_ = 0;
    uint64_t orderChanges_ = 0;
    bool redrawOff_ = false;
    int quietSelection_ = 0; // selection moves made by the list itself raise no OnSelectItem
    TListItem* dropTarget_ = nullptr;
    TImageList* smallImages_ = nullptr;
    TImageList* largeImages_ = nullptr;
};

} // namespace kovalin
