#include "filelist/IEListView.h"

#include "kovalin/Form.h"
#include "kovalin/Handles.h"
#include "kovalin/Module.h"

#include <shellapi.h>

#include <algorithm>
#include <cctype>

namespace filelist {

using kovalin::TImageList;
using kovalin::TViewStyle;

namespace {

// What the lists of the program share. The sort arrows are built when a header first needs them
// and deleted when the last list goes (header items only borrow them).
struct SharedState {
    kovalin::UniqueHBitmap up;   // "UPARROW2": descending
    kovalin::UniqueHBitmap down; // "DOWNARROW2": ascending
    int users = 0;               // lists alive
    TImageList* defaultDragImageList = nullptr;
};

SharedState& Shared() {
    static SharedState state;
    return state;
}

// A bitmap resource of the program with its background, the area around the top-left pixel in
// that pixel's colour, painted in the button face colour of the header it sits on.
kovalin::UniqueHBitmap LoadArrow(const char* name) {
    kovalin::UniqueHBitmap bitmap(
        static_cast<HBITMAP>(LoadImageA(kovalin::ThisModule(), name, IMAGE_BITMAP, 0, 0, 0)));
    if (!bitmap) return bitmap;
    kovalin::UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    kovalin::UniqueHBrush face(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
    kovalin::SelectGuard selectBitmap(dc.get(), bitmap.get());
    kovalin::SelectGuard selectBrush(dc.get(), face.get());
    ExtFloodFill(dc.get(), 0, 0, GetPixel(dc.get(), 0, 0), FLOODFILLSURFACE);
    return bitmap;
}

std::string LocaleText(LCTYPE type) {
    char buf[128];
    int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof buf);
    return n > 0 ? std::string(buf, static_cast<size_t>(n - 1)) : std::string();
}

std::string UpperCase(std::string text) {
    if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The short time format where the locale has none: the long one without its seconds.
std::string WithoutSeconds(const std::string& format) {
    size_t s = format.find_first_of("s");
    if (s == std::string::npos) return format;
    size_t end = format.find_first_not_of("s", s);
    size_t start = s;
    while (start > 0 && !std::isalpha(static_cast<unsigned char>(format[start - 1])))
        --start;
    return format.substr(0, start) + (end == std::string::npos ? std::string() : format.substr(end));
}

std::unique_ptr<TImageList> SystemImageList(UINT sizeFlag) {
    SHFILEINFOA info{};
    auto list = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("", 0, &info, sizeof info, SHGFI_SYSICONINDEX | sizeFlag));
    if (!list) return nullptr;
    auto wrapper = std::make_unique<TImageList>();
    wrapper->SetHandle(list, true); // the system's: never destroyed by us
    return wrapper;
}

std::unique_ptr<TImageList> OverlayList(int size) {
    auto list = std::make_unique<TImageList>(TImageList::Params{.width = size, .height = size});
    list->SetDrawingStyle(kovalin::TDrawingStyle::dsTransparent);
    list->SetBkColor(CLR_NONE);
    return list;
}

} // namespace

TIEListView::ArrowUser::ArrowUser() {
    ++Shared().users;
}

TIEListView::ArrowUser::~ArrowUser() {
    SharedState& arrows = Shared();
    if (--arrows.users > 0) return;
    arrows.up.reset();
    arrows.down.reset();
}

TIEListView::TIEListView(kovalin::TWinControl& parent, const Params& params) : TListView(parent, params) {
    TIEListView::UpdateDateTimeFormat();

    parentForm_ = kovalin::TForm::FormOf(*this);
    dragImageList_ = std::make_unique<TImageList>(TImageList::Params{.width = 32, .height = 32});
    if (!Shared().defaultDragImageList) Shared().defaultDragImageList = dragImageList_.get();
    TIEListView::CreateImageLists();
    dirUpImages16_ = OverlayList(16);
    dirUpImages32_ = OverlayList(32);
    // The sort arrow goes into the header at the first painting, when the columns exist.
}

TIEListView::~TIEListView() {
    SetSmallImages(nullptr);
    SetLargeImages(nullptr);
    if (Shared().defaultDragImageList == dragImageList_.get()) Shared().defaultDragImageList = nullptr;
}

TImageList* TIEListView::DefaultDragImageList() {
    return Shared().defaultDragImageList;
}

void TIEListView::CreateImageLists() {
    if (!SmallImages()) {
        systemSmallImages_ = SystemImageList(SHGFI_SMALLICON);
        SetSmallImages(systemSmallImages_.get());
    }
    if (!LargeImages()) {
        systemLargeImages_ = SystemImageList(SHGFI_LARGEICON);
        SetLargeImages(systemLargeImages_.get());
    }
}

TImageList& TIEListView::DirUpImages16() {
    if (dirUpImages16_->Count() == 0) dirUpImages16_->AddResourceBitmap(kovalin::ThisModule(), "DIRUP16");
    return *dirUpImages16_;
}

TImageList& TIEListView::DirUpImages32() {
    if (dirUpImages32_->Count() == 0) dirUpImages32_->AddResourceBitmap(kovalin::ThisModule(), "DIRUP32");
    return *dirUpImages32_;
}

void TIEListView::SetShowColumnIcon(bool value) {
    if (value == showColumnIcon_) return;
    showColumnIcon_ = value;
    UpdateHeaderImages();
}

void TIEListView::SetSortColumn(unsigned value) {
    if (value == sortColumn_) return;
    sortColumn_ = value;
    if (ItemCount() > 0) SortItems();
    UpdateHeaderImages();
}

void TIEListView::SetSortAscending(bool value) {
    if (value == sortAscending_) return;
    sortAscending_ = value;
    if (ItemCount() > 0) SortItems();
    UpdateHeaderImages();
}

void TIEListView::SetViewStyle(TViewStyle value) {
    if (value == ViewStyle()) return;
    TListView::SetViewStyle(value);
    if (value == TViewStyle::vsReport) UpdateHeaderImages();
}

void TIEListView::SetDateTimeDisplay(TDateTimeDisplay value) {
    if (value == dateTimeDisplay_) return;
    dateTimeDisplay_ = value;
    UpdateDateTimeFormat();
    Invalidate();
}

void TIEListView::UpdateDateTimeFormat() {
    const std::string shortDate = LocaleText(LOCALE_SSHORTDATE);
    const std::string upper = UpperCase(shortDate);
    // A two-digit year at either end is shown with four digits.
    if (upper.find("YYYY") != std::string::npos)
        dateFormatStr_ = shortDate;
    else if (upper.ends_with("YY"))
        dateFormatStr_ = shortDate + "yy";
    else if (upper.starts_with("YY"))
        dateFormatStr_ = "yy" + shortDate;
    else
        dateFormatStr_ = shortDate;

    longTimeFormat_ = LocaleText(LOCALE_STIMEFORMAT);
    shortTimeFormat_ = LocaleText(LOCALE_SSHORTTIME);
    if (shortTimeFormat_.empty()) shortTimeFormat_ = WithoutSeconds(longTimeFormat_);

    switch (dateTimeDisplay_) {
    case TDateTimeDisplay::dtdDateTimeSec:
        dateTimeFormatStr_ = dateFormatStr_ + "  " + longTimeFormat_;
        break;
    case TDateTimeDisplay::dtdDateTime:
        dateTimeFormatStr_ = dateFormatStr_ + "  " + shortTimeFormat_;
        break;
    case TDateTimeDisplay::dtdDate:
        dateTimeFormatStr_ = dateFormatStr_;
        break;
    }
}

std::string TIEListView::FormatDateTime(const SYSTEMTIME& time) const {
    char date[128] = "", clock[128] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, 0, &time, dateFormatStr_.empty() ? nullptr : dateFormatStr_.c_str(),
                   date, sizeof date);
    if (dateTimeDisplay_ == TDateTimeDisplay::dtdDate) return date;
    const std::string& timeFormat =
        dateTimeDisplay_ == TDateTimeDisplay::dtdDateTimeSec ? longTimeFormat_ : shortTimeFormat_;
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, timeFormat.empty() ? nullptr : timeFormat.c_str(), clock,
                   sizeof clock);
    return std::string(date) + "  " + clock;
}

void TIEListView::SetMask(const std::string& value) {
    std::string normalized = NormalizeMask(value);
    if (normalized != mask_) mask_ = std::move(normalized);
}

std::string TIEListView::NormalizeMask(const std::string& mask) const {
    // Blanks at the ends go, control characters with them.
    size_t first = 0, last = mask.size();
    while (first < last && static_cast<unsigned char>(mask[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(mask[last - 1]) <= ' ')
        --last;
    if (first == last) return "*.*";
    std::string out;
    out.reserve(last - first);
    for (size_t i = first; i < last; ++i) {
        char c = mask[i] == ' ' || mask[i] == ',' ? ';' : mask[i];
        if (c == ';' && !out.empty() && out.back() == ';') continue;
        out += c;
    }
    CharLowerBuffA(out.data(), static_cast<DWORD>(out.size()));
    return out;
}

std::string TIEListView::GetNextMask(std::string& masks) const {
    size_t semicolon = masks.find(';');
    std::string element = masks.substr(0, semicolon);
    masks.erase(0, semicolon == std::string::npos ? masks.size() : semicolon + 1);
    return element;
}

void TIEListView::UpdateHeaderImages() {
    HWND header = HeaderHandle();
    if (!Handle() || !header || !ShowColumnHeaders()) return;
    SharedState& arrows = Shared();
    if (showColumnIcon_ && (!arrows.up || !arrows.down)) {
        arrows.up = LoadArrow("UPARROW2");
        arrows.down = LoadArrow("DOWNARROW2");
    }
    const int count = std::min(ColumnCount(), static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)));
    for (int i = 0; i < count; ++i) {
        HDITEMA item{};
        item.mask = HDI_FORMAT;
        SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        HBITMAP arrow = sortAscending_ ? arrows.down.get() : arrows.up.get();
        if (showColumnIcon_ && static_cast<unsigned>(i) == sortColumn_ && arrow) {
            item.hbm = arrow;
            item.fmt |= HDF_BITMAP;
            if ((item.fmt & HDF_JUSTIFYMASK) == HDF_LEFT) item.fmt |= HDF_BITMAP_ON_RIGHT;
        } else {
            item.hbm = nullptr;
            item.fmt &= ~HDF_BITMAP;
        }
        item.mask = HDI_FORMAT | HDI_BITMAP;
        SendMessageA(header, HDM_SETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    headerImagesValid_ = true;
}

void TIEListView::ColClick(int column) {
    if (column == static_cast<int>(sortColumn_)) sortAscending_ = !sortAscending_;
    sortColumn_ = static_cast<unsigned>(column);
    if (ItemCount() > 0) SortItems();
    UpdateHeaderImages();
    TListView::ColClick(column);
}

void TIEListView::DoHeaderEndDrag() {
    if (OnHeaderEndDrag) OnHeaderEndDrag(*this);
}

LRESULT TIEListView::HeaderNotify(NMHDR& header) {
    switch (header.code) {
    case HDN_ENDTRACKA:
    case HDN_ENDTRACKW: {
        // The control may rewrite the header items while it takes the new width; the next
        // painting puts the arrow back.
        UpdateHeaderImages();
        headerImagesValid_ = false;
        LRESULT result = TListView::HeaderNotify(header);
        if (OnHeaderEndTrack) OnHeaderEndTrack(*this);
        return result;
    }
    case HDN_DIVIDERDBLCLICKA:
    case HDN_DIVIDERDBLCLICKW: {
        LRESULT result = TListView::HeaderNotify(header);
        int index = reinterpret_cast<NMHEADERA&>(header).iItem;
        // The column keeps the width the control has just fitted it to.
        if (index >= 0 && index < ColumnCount()) Column(index).SetWidth(Column(index).Width());
        if (OnHeaderEndTrack) OnHeaderEndTrack(*this);
        UpdateHeaderImages();
        headerImagesValid_ = false;
        return result;
    }
    case HDN_ENDDRAG:
        DoHeaderEndDrag();
        Invalidate();
        // The control hears of the move as well: it lays out the cells by it and would go on
        // drawing them in the old order otherwise.
        return TListView::HeaderNotify(header);
    }
    return TListView::HeaderNotify(header);
}

LRESULT TIEListView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_PAINT) return TListView::WndProc(msg, wParam, lParam);
    LRESULT result = TListView::WndProc(msg, wParam, lParam);
    if (ViewStyle() == TViewStyle::vsReport && !headerImagesValid_ && ShowColumnHeaders())
        UpdateHeaderImages();
    return result;
}

} // namespace filelist
