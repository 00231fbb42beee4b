#include "kovalin/ImageList.h"

#include "kovalin/Exceptions.h"

namespace kovalin {

TImageList::TImageList(const Params& p) {
    list_.reset(ImageList_Create(p.width, p.height, p.flags, 0, p.allocBy));
    if (!list_) throw EOutOfResources("Cannot create an image list");
}

TImageList::~TImageList() {
    if (shared_) (void)list_.release();
}

void TImageList::SetHandle(HIMAGELIST list, bool shared) {
    if (list == list_.get()) {
        shared_ = shared;
        return;
    }
    if (shared_) (void)list_.release();
    list_.reset(list);
    shared_ = shared;
}

int TImageList::Width() const {
    int cx = 0, cy = 0;
    if (list_) ImageList_GetIconSize(list_.get(), &cx, &cy);
    return cx;
}

int TImageList::Height() const {
    int cx = 0, cy = 0;
    if (list_) ImageList_GetIconSize(list_.get(), &cx, &cy);
    return cy;
}

int TImageList::Count() const {
    return list_ ? ImageList_GetImageCount(list_.get()) : 0;
}

int TImageList::AddMasked(HBITMAP bitmap, COLORREF mask) {
    int index = list_ ? ImageList_AddMasked(list_.get(), bitmap, mask) : -1;
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
    int index = list_ ? ImageList_AddIcon(list_.get(), icon) : -1;
    if (index < 0) throw EInvalidGraphicOperation("Cannot add an icon to the image list");
    return index;
}

void TImageList::Clear() {
    if (list_) ImageList_Remove(list_.get(), -1);
}

COLORREF TImageList::BkColor() const {
    return list_ ? ImageList_GetBkColor(list_.get()) : CLR_NONE;
}

void TImageList::SetBkColor(COLORREF color) {
    if (list_) ImageList_SetBkColor(list_.get(), color);
}

void TImageList::Draw(HDC dc, int x, int y, int index) const {
    static const UINT styles[] = {ILD_FOCUS, ILD_SELECTED, ILD_NORMAL, ILD_TRANSPARENT};
    if (list_) ImageList_Draw(list_.get(), index, dc, x, y, styles[static_cast<int>(drawingStyle_)]);
}

} // namespace kovalin
