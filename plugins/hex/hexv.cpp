#include "plugins/hex/hexv.h"

#include "kovalin/Handles.h"

using namespace kovalin;

namespace kvhex {

namespace {

const COLORREF kMask = RGB(255, 0, 255);

// The tool bar's pictures, drawn rather than stored: an opened page of hex rows, and the same
// page crossed out.
UniqueHBitmap DrawButtonImages() {
    ScreenDC screen;
    UniqueHBitmap bmp(CreateCompatibleBitmap(screen.get(), 32, 16));
    UniqueMemoryDC dc(CreateCompatibleDC(screen.get()));
    SelectGuard sel(dc.get(), bmp.get());
    RECT all{0, 0, 32, 16};
    UniqueHBrush mask(CreateSolidBrush(kMask));
    FillRect(dc.get(), &all, mask.get());
    UniqueHBrush paper(CreateSolidBrush(RGB(255, 255, 255)));
    UniqueHBrush ink(CreateSolidBrush(RGB(0, 0, 128)));
    UniqueHBrush edge(CreateSolidBrush(RGB(0, 0, 0)));
    for (int i = 0; i < 2; ++i) {
        int x = 16 * i;
        RECT page{x + 2, 1, x + 13, 15};
        FillRect(dc.get(), &page, paper.get());
        FrameRect(dc.get(), &page, edge.get());
        for (int y = 4; y < 13; y += 3) {
            RECT row{x + 4, y, x + 11, y + 1};
            FillRect(dc.get(), &row, ink.get());
        }
    }
    // An opening arrow on the first, a red cross on the second.
    UniqueHPen green(CreatePen(PS_SOLID, 2, RGB(0, 128, 0)));
    {
        SelectGuard p(dc.get(), green.get());
        MoveToEx(dc.get(), 9, 12, nullptr);
        LineTo(dc.get(), 14, 7);
        LineTo(dc.get(), 14, 11);
    }
    UniqueHPen red(CreatePen(PS_SOLID, 2, RGB(192, 0, 0)));
    {
        SelectGuard p(dc.get(), red.get());
        MoveToEx(dc.get(), 20, 4, nullptr);
        LineTo(dc.get(), 30, 14);
        MoveToEx(dc.get(), 30, 4, nullptr);
        LineTo(dc.get(), 20, 14);
    }
    return bmp;
}

HICON MakeIcon(HIMAGELIST images) {
    return ImageList_GetIcon(images, 0, ILD_NORMAL);
}

} // namespace

TfrmHex::TfrmHex(HWND owner)
    : TForm({.caption = "Hex Viewer",
             .borderStyle = TFormBorderStyle::bsSizeable,
             .position = TPosition::poOwnerFormCenter,
             .clientWidth = 632,
             .clientHeight = 308,
             .owner = owner}) {
    // Only the system menu among the title-bar buttons.
    LONG style = GetWindowLongA(Handle(), GWL_STYLE);
    SetWindowLongA(Handle(), GWL_STYLE, style & ~(WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    SetWindowPos(Handle(), nullptr, 0, 0, 640, 342,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    imlHex = std::make_unique<TImageList>(TImageList::Params{.width = 16, .height = 16});
    UniqueHBitmap pictures = DrawButtonImages();
    imlHex->AddMasked(pictures.get(), kMask);
    icon_.reset(MakeIcon(imlHex->Handle()));
    if (icon_) SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));

    tbrHex = std::make_unique<TToolBar>(
        *this, TToolBar::Params{.height = 22, .buttonWidth = 112, .images = imlHex->Handle(), .caption = ""});
    tbnOpen = &tbrHex->AddButton("Open in Hex View", 0, "Open file", true);
    tbnClose = &tbrHex->AddButton("Close Hex View", 1, "Close file", true);
    tbnOpen->OnClick = [this] { tbnOpenClick(); };
    tbnClose->OnClick = [this] { tbnCloseClick(); };
    tbrHex->AutoSize();

    edtHex = std::make_unique<THexEditor>(*this);
    edtHex->SetBytesPerLine(16);
    edtHex->SetBytesPerColumn(2);
    edtHex->SetTranslation(TTranslationType::ttAnsi);
    edtHex->SetOffsetDisplay(TOffsetDisplay::odHex);
    edtHex->SetOffsetSeparator(':');
    edtHex->SetFocusFrame(true);
    edtHex->SetReadOnlyView(true);
    edtHex->SetBackupExtension(".bak");
    edtHex->SetFont("Courier", 16);
    TColors& c = edtHex->Colors();
    c.SetBackground(GetSysColor(COLOR_WINDOW));
    c.SetPositionBackground(RGB(128, 0, 0));
    c.SetPositionText(RGB(255, 255, 255));
    c.SetChangedBackground(0xA8FFFF);
    c.SetChangedText(RGB(128, 0, 0));
    c.SetCursorFrame(RGB(0, 0, 128));
    c.SetOffset(RGB(0, 0, 0));
    c.SetOddColumn(RGB(0, 0, 255));
    c.SetEvenColumn(RGB(0, 0, 128));
    edtHex->SetAlign(TAlign::alClient);

    dlgHexOpen.Title = "Open file in Hex view ...";
    dlgHexOpen.Filter = "All files (*.*)|*.*";
    dlgHexOpen.Options = {TOpenOption::ofHideReadOnly, TOpenOption::ofFileMustExist,
                          TOpenOption::ofNoChangeDir};

    OnShow = [this] { edtHex->SetFocus(); };
}

TfrmHex::~TfrmHex() = default;

void TfrmHex::tbnOpenClick() {
    try {
        if (!dlgHexOpen.Execute(Handle())) return;
        DWORD attr = GetFileAttributesA(dlgHexOpen.FileName.c_str());
        if (attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY))
            edtHex->LoadFromFile(dlgHexOpen.FileName);
        edtHex->SetFocus();
    } catch (const std::exception& e) {
        MessageBoxA(Handle(), e.what(), "Hex Viewer", MB_OK | MB_ICONERROR);
    }
}

void TfrmHex::tbnCloseClick() {
    Close();
}

} // namespace kvhex
