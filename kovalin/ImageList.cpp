#include "kovalin/ImageList.h"

#include "kovalin/Exceptions.h"

namespace kovalin {

TImageList::TImageList(const Params& p) {
    owned_.reset(ImageList_Create(p.width, p.height, p.flags, 0, p.allocBy));
    if (!owned_) throw EOutOfResources("Cannot create an image list");
}

TImageList::~TImageList() = default;

void TImageList::SetHandle(HIMAGELIST list, bool shared) {
    if (list == Handle()) {
        SetShareImages(shared);
        return;
    }
    if (shared) {
        owned_.reset();
        borrowed_ = list;
    } else {
        borrowed_ = nullptr;
        owned_.reset(list);
    }
    shared_ = shared;
}

void TImageList::SetShareImages(bool value) {
    if (value == shared_) return;
    if (value) {
        // Ownership leaves: whoever made this wrapper share the list destroys it.
        borrowed_ = owned_.release();
    } else {
        owned_.reset(borrowed_);
        borrowed_ = nullptr;
    }
    shared_ = value;
}

int TImageList::Width() const {
    int cx = 0, cy = 0;
    if (Handle()) ImageList_GetIconSize(Handle(), &cx, &cy);
    return cx;
}

int TImageList::Height() const {
    int cx = 0, cy = 0;
    if (Handle()) ImageList_GetIconSize(Handle(), &cx, &cy);
    return cy;
}

int TImageList::Count() const {
    return Handle() ? ImageList_GetImageCount(Handle()) : 0;
}

int TImageList::AddMasked(HBITMAP bitmap, COLORREF mask) {
    int index = Handle() ? ImageList_AddMasked(Handle(), bitmap, mask) : -1;
    if (index < 0) throw EInvalidGraphicOperation("Cannot add an image to the image list");
    return index;
}

int TImageList::AddResourceBitmap(HINSTANCE module, const char* name) {
    UniqueHBitmap bitmap(static_cast<HBITMAP>(LoadImageA(module, name, IMAGE_BITMAP, 0, 0, 0)));
    if (!bitmap) RaiseLastOSError("LoadImage");
    COLORREF transparent;
    {
        UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
        SelectGuard select(dc.get(), bitmap.get());
        transparent = GetPixel(dc.get(), 0, 0);
    }
    return AddMasked(bitmap.get(), transparent);
}

int TImageList::AddIcon(HICON icon) {
    int index = Handle() ? ImageList_AddIcon(Handle(), icon) : -1;
    if (index < 0) throw EInvalidGraphicOperation("Cannot add an icon to the image list");
    return index;
}

void TImageList::Clear() {
    if (Handle()) ImageList_Remove(Handle(), -1);
}

COLORREF TImageList::BkColor() const {
    return Handle() ? ImageList_GetBkColor(Handle()) : CLR_NONE;
}

void TImageList::SetBkColor(COLORREF color) {
    if (Handle()) ImageList_SetBkColor(Handle(), color);
}

void TImageList::Draw(HDC dc, int x, int y, int index) const {
    static const UINT styles[] = {ILD_FOCUS, ILD_SELECTED, ILD_NORMAL, ILD_TRANSPARENT};
    if (Handle()) ImageList_Draw(Handle(), index, dc, x, y, styles[static_cast<int>(drawingStyle_)]);
}

} // namespace kovalin
