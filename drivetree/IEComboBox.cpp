#include "drivetree/IEComboBox.h"

#include <shellapi.h>

#include <algorithm>

namespace drivetree {

namespace {

// Room left of an item's text for its icon.
const int kIconSpace = 22;

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

// --- TIECustomComboBox ---------------------------------------------------------------------------

TIECustomComboBox::TIECustomComboBox(kovalin::TWinControl& parent, const Params& params)
    : TComboBox(parent, params) {}

int TIECustomComboBox::GetTextWidth(const std::string& text) const {
    HDC dc = GetDC(Handle());
    HGDIOBJ old = SelectObject(dc, Font());
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(Handle(), dc);
    return size.cx;
}

// The control sends this before it opens the list, so the width applies to this opening.
void TIECustomComboBox::DropDown() {
    int width = dropDownFixedWidth_;
    if (width <= 0) {
        width = 0;
        for (int i = 0, n = ItemCount(); i < n; ++i)
            width = std::max(width, GetTextWidth(Item(i)));
        width += kIconSpace + 8;
    }
    lastDropDownWidth_ = width;
    SetDroppedWidth(width);
    TComboBox::DropDown();
}

void TIECustomComboBox::SelEndOk() {
    selectionOK_ = true;
    TComboBox::SelEndOk();
}

void TIECustomComboBox::SelEndCancel() {
    selectionOK_ = false;
    TComboBox::SelEndCancel();
}

void TIECustomComboBox::CloseUp() {
    if (OnCloseUp) OnCloseUp(*this, selectionOK_);
}

// --- TIEDriveComboBox ----------------------------------------------------------------------------

TIEDriveComboBox::TIEDriveComboBox(kovalin::TWinControl& parent, const Params& params,
                                   shell::TDriveInfo& drives)
    : TIECustomComboBox(parent, params), driveInfo_(drives) {
    SHFILEINFOA info{};
    images_ = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("C:\\", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                       SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    ApplyItemHeight();
    BuildItems();
}

TIEDriveComboBox::~TIEDriveComboBox() {
    SetDriveView(nullptr);
}

void TIEDriveComboBox::ApplyItemHeight() {
    HDC dc = GetDC(Handle());
    HGDIOBJ old = SelectObject(dc, Font());
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(Handle(), dc);
    int height = std::max(static_cast<int>(tm.tmHeight), 10) + 2;
    SetItemHeight(std::max(height, 12), height);
}

std::string TIEDriveComboBox::DriveName(char drive) const {
    switch (displayStyle_) {
    case shell::doDisplayName:
        return driveInfo_.GetDriveDisplayName(drive);
    case shell::doLongPrettyName:
        return driveInfo_.GetLongPrettyName(drive);
    case shell::doPrettyName:
        break;
    }
    return driveInfo_.GetPrettyName(drive);
}

void TIEDriveComboBox::BuildItems() {
    ClearItems();
    for (char d = 'A'; d <= 'Z'; ++d) {
        shell::TDriveInfoRec rec = driveInfo_.GetDriveData(d);
        if (rec.Valid && rec.DriveType >= 0 && rec.DriveType <= dtRAM &&
            driveTypes_.Contains(static_cast<TDriveType>(rec.DriveType)))
            AddItem(d + DriveName(d));
    }
    SelectDriveItem();
}

void TIEDriveComboBox::SelectDriveItem() {
    for (int i = 0, n = ItemCount(); i < n; ++i)
        if (Item(i)[0] == drive_) {
            SetItemIndex(i);
            return;
        }
    if (ItemCount() > 0) SetItemIndex(0);
}

void TIEDriveComboBox::SetDisplayStyle(shell::TVolumeDisplayStyle value) {
    if (value == displayStyle_) return;
    displayStyle_ = value;
    BuildItems();
    Invalidate();
}

void TIEDriveComboBox::SetDriveTypes(TDriveTypes value) {
    if (value == driveTypes_) return;
    driveTypes_ = value;
    BuildItems();
}

void TIEDriveComboBox::SetDrive(char drive) {
    drive = Upper(drive);
    if (drive == drive_ || drive < 'A' || drive > 'Z') return;
    driveInfo_.ReadDriveStatus(drive, 0);
    shell::TDriveInfoRec rec = driveInfo_.GetDriveData(drive);
    if (!rec.Valid || rec.DriveType < 0 || rec.DriveType > dtRAM ||
        !driveTypes_.Contains(static_cast<TDriveType>(rec.DriveType)))
        return;
    drive_ = drive;
    for (int i = 0, n = ItemCount(); i < n; ++i)
        if (Item(i)[0] == drive) {
            SetItemIndex(i);
            break;
        }
}

void TIEDriveComboBox::Change() {
    int index = ItemIndex();
    if (index >= 0) {
        std::string text = Item(index);
        if (!text.empty()) drive_ = text[0];
        if (driveView_) driveView_->ChangeDrive(drive_);
    }
    TIECustomComboBox::Change();
}

void TIEDriveComboBox::DrawItem(const DRAWITEMSTRUCT& item) {
    FillItem(item);
    if (static_cast<int>(item.itemID) < 0) return;
    std::string text = Item(static_cast<int>(item.itemID));
    char drive = text.empty() ? 0 : Upper(text[0]);
    if (drive < 'A' || drive > 'Z') return;
    std::string name = DriveName(drive);
    RECT r = item.rcItem;
    if (images_)
        ImageList_Draw(images_, driveInfo_.GetImageIndex(drive), item.hDC, r.left + 2, r.top + 1,
                       ILD_TRANSPARENT);
    r.left += kIconSpace;
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    if (GetWindowLongA(Handle(), GWL_EXSTYLE) & WS_EX_RTLREADING) format |= DT_RTLREADING;
    DrawTextA(item.hDC, name.c_str(), static_cast<int>(name.size()), &r, format);
}

} // namespace drivetree
