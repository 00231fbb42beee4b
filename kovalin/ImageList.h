// A list of equally sized images (common-controls image list) that owns its handle, unless it
// only wraps a list that belongs to someone else, such as the system's icon lists.
#pragma once

#include "kovalin/Handles.h"

#include <windows.h>

#include <commctrl.h>

namespace kovalin {

enum class TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };

class TImageList {
public:
    struct Params {
        int width = 16, height = 16;
        UINT flags = ILC_COLOR24 | ILC_MASK; // ILC_* colour depth and mask
        int allocBy = 4;                     // how many images the list grows by
    };

    // An empty wrapper, for SetHandle.
    TImageList() = default;
    // A new list of its own.
    explicit TImageList(const Params& params);
    TImageList(const TImageList&) = delete;
    TImageList& operator=(const TImageList&) = delete;
    // Destroys the list unless it is shared.
    ~TImageList();

    HIMAGELIST Handle() const { return shared_ ? borrowed_ : owned_.get(); }
    // Takes the list; the previous one is destroyed unless it was shared. A shared wrapper never
    // destroys what it holds: pass shared = true for lists that belong to the system or another
    // owner.
    void SetHandle(HIMAGELIST list, bool shared);
    bool ShareImages() const { return shared_; }
    // On: the list now belongs to someone else. Off: this wrapper takes it over.
    void SetShareImages(bool value);

    int Width() const;
    int Height() const;
    int Count() const;

    // Adds the images of a bitmap (several when it is wider than one image); pixels of `mask`
    // colour become transparent. The bitmap stays the caller's. Returns the first new index.
    int AddMasked(HBITMAP bitmap, COLORREF mask);
    // Adds a bitmap resource of a module; the colour of its top-left pixel is transparent.
    int AddResourceBitmap(HINSTANCE module, const char* name);
    int AddIcon(HICON icon);
    void Clear();

    COLORREF BkColor() const;
    // CLR_NONE draws masked images transparently over whatever lies below.
    void SetBkColor(COLORREF color);
    TDrawingStyle DrawingStyle() const { return drawingStyle_; }
    void SetDrawingStyle(TDrawingStyle value) { drawingStyle_ = value; }

    // Draws image `index` with the drawing style, its top-left corner at (x, y).
    void Draw(HDC dc, int x, int y, int index) const;

private:
    // A list of its own, or one it only borrows; never both.
    UniqueHImageList owned_;
    HIMAGELIST borrowed_ = nullptr;
    bool shared_ = false;
    TDrawingStyle drawingStyle_ = TDrawingStyle::dsNormal;
};

} // namespace kovalin
