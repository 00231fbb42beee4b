// One item of a TListView. Caption, data, images and marks live in the item; selection and focus
// are kept by the control and read from it.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstddef>
#include <memory>
#include <string>
#include <utility>

namespace kovalin {

class TListView;

// What an item carries for its user; freed exactly once, together with its item.
class TListItemData {
public:
    TListItemData() = default;
    TListItemData(const TListItemData&) = delete;
    TListItemData& operator=(const TListItemData&) = delete;
    virtual ~TListItemData() = default;
};

class TListItem {
public:
    TListItem(const TListItem&) = delete;
    TListItem& operator=(const TListItem&) = delete;
    // Items come and go by the ten thousand with their lists: their memory comes from a pool.
    static void* operator new(size_t size);
    static void operator delete(void* block, size_t size) noexcept;

    TListView& Owner() const { return owner_; }
    // Position in the list; changes when items before it are deleted or the list is sorted.
    int Index() const { return index_; }

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    TListItemData* Data() const { return data_.get(); }
    void SetData(std::unique_ptr<TListItemData> data) { data_ = std::move(data); }

    // Index in the list's image lists, -1 for none.
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    // Overlay image drawn over the item's image: 0 is the list's first overlay, -1 none.
    int OverlayIndex() const { return overlayIndex_; }
    void SetOverlayIndex(int value);
    // Drawn faded, as a file that was cut to the clipboard.
    bool Cut() const { return cut_; }
    void SetCut(bool value);
    // Highlighted as the place a drag would drop on; at most one item of a list is.
    bool DropTarget() const;
    void SetDropTarget(bool value);

    bool Selected() const;
    void SetSelected(bool value);
    bool Focused() const;
    void SetFocused(bool value);

    // Scrolls the list so that the item is shown (partly, when `partialOK`).
    void MakeVisible(bool partialOK);
    // LVIR_BOUNDS, LVIR_ICON, LVIR_LABEL or LVIR_SELECTBOUNDS, in client coordinates.
    RECT DisplayRect(int code = LVIR_BOUNDS) const;
    // Asks the control to draw the item again.
    void Update();
    // Starts editing the caption in place; false when the list refused.
    bool EditCaption();
    // Removes the item from its list; the object is gone afterwards.
    void Delete();

private:
    friend class TListView;
    TListItem(TListView& owner, int index) : owner_(owner), index_(index) {}
    bool State(UINT mask) const;
    void SetState(UINT mask, bool on);

    TListView& owner_;
    int index_;
    std::string caption_;
    std::unique_ptr<TListItemData> data_;
    int imageIndex_ = -1;
    int overlayIndex_ = -1;
    bool cut_ = false;
};

} // namespace kovalin
