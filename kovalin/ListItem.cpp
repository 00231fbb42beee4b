#include "kovalin/ListItem.h"

#include "kovalin/BlockPool.h"
#include "kovalin/ListView.h"

namespace kovalin {

void* TListItem::operator new(size_t size) {
    return TPoolOf<TListItem>::Allocate(size);
}

void TListItem::operator delete(void* block, size_t size) noexcept {
    TPoolOf<TListItem>::Free(block, size);
}

void TListItem::SetCaption(const std::string& value) {
    caption_ = value;
    ++owner_.orderChanges_;
    Update();
}

void TListItem::SetImageIndex(int value) {
    if (imageIndex_ == value) return;
    imageIndex_ = value;
    Update();
}

void TListItem::SetOverlayIndex(int value) {
    if (overlayIndex_ == value) return;
    overlayIndex_ = value;
    Update();
}

void TListItem::SetCut(bool value) {
    if (cut_ == value) return;
    cut_ = value;
    Update();
}

bool TListItem::DropTarget() const {
    return owner_.DropTarget() == this;
}

void TListItem::SetDropTarget(bool value) {
    if (value)
        owner_.SetDropTarget(this);
    else if (DropTarget())
        owner_.SetDropTarget(nullptr);
}

bool TListItem::State(UINT mask) const {
    owner_.SyncCount();
    return (owner_.Send(LVM_GETITEMSTATE, static_cast<WPARAM>(index_), mask) & mask) != 0;
}

void TListItem::SetState(UINT mask, bool on) {
    owner_.SyncCount();
    LVITEMA item{};
    item.stateMask = mask;
    item.state = on ? mask : 0;
    owner_.Send(LVM_SETITEMSTATE, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&item));
}

bool TListItem::Selected() const {
    return State(LVIS_SELECTED);
}
void TListItem::SetSelected(bool value) {
    SetState(LVIS_SELECTED, value);
}
bool TListItem::Focused() const {
    return State(LVIS_FOCUSED);
}
void TListItem::SetFocused(bool value) {
    SetState(LVIS_FOCUSED, value);
}

void TListItem::MakeVisible(bool partialOK) {
    owner_.SyncCount();
    owner_.Send(LVM_ENSUREVISIBLE, static_cast<WPARAM>(index_), partialOK);
}

RECT TListItem::DisplayRect(int code) const {
    owner_.SyncCount();
    RECT r{};
    r.left = code;
    if (!owner_.Send(LVM_GETITEMRECT, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&r))) r = RECT{};
    return r;
}

void TListItem::Update() {
    // Redrawing asks the window manager even for a row out of view, and a listing may update
    // every one of its items (folder sizes): only a row in view is redrawn.
    const RECT item = DisplayRect();
    RECT client, both;
    if (!GetClientRect(owner_.Handle(), &client) || !IntersectRect(&both, &item, &client)) return;
    owner_.UpdateItems(index_, index_);
}

bool TListItem::EditCaption() {
    owner_.SyncCount();
    owner_.SetFocus();
    return owner_.Send(LVM_EDITLABELA, static_cast<WPARAM>(index_)) != 0;
}

void TListItem::Delete() {
    owner_.DeleteItem(index_);
}

} // namespace kovalin
