// The print window's tool bar, menus, settings and the position dialog, driven in this process.
#include "kovalin/Bitmap.h"
#include "kovalin/Registry.h"
#include "plugins/print/PrintSettings.h"
#include "plugins/print/pos.h"
#include "plugins/print/view.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

using namespace kovalin;
using namespace kvprint;
using namespace testsupport;

namespace {

const char kScratch[] = "\\Software\\Kovalin\\Tests\\PrintSettings";

class ViewTest : public ::testing::Test {
protected:
    TBitmap image;
    TImagePosition position;
    TRegistry reg;
    std::unique_ptr<TfrmPrint> form;
    int composed = 0;

    void SetUp() override {
        image.SetSize(40, 20);
        reg.DeleteKey(kScratch);
        ASSERT_TRUE(reg.OpenKey(kScratch, true));
        NewForm();
    }
    void TearDown() override {
        form.reset();
        reg.CloseKey();
        reg.DeleteKey(kScratch);
    }
    void NewForm() {
        form.reset();
        form = std::make_unique<TfrmPrint>(nullptr, image, position);
        form->prwPrint->OnBeginDoc = [this](TPrintPreview&) { ++composed; };
    }
    // The menu item with the caption, searched through the submenus.
    TMenuItem* Find(TPopupMenu& menu, const std::string& caption, const std::string& under = {}) {
        for (size_t i = 0; i < menu.Count(); ++i) {
            TMenuItem& top = menu.Item(i);
            if (under.empty() && top.Caption == caption) return &top;
            if (top.Caption == under)
                for (auto& sub : top.Items)
                    if (sub->Caption == caption) return sub.get();
        }
        return nullptr;
    }
    int Int(const char* name) { return reg.ReadInteger(name); }
};

} // namespace

TEST_F(ViewTest, ToolBarButtonsInOrderWithTheirHints) {
    TToolBar& bar = *form->tbrPrintMain;
    const char* hints[] = {"Paper Type", "Printer Setup", "Settings", "Zoom",
                           "Position",   "Draw Image",    "Print",    "Close"};
    ASSERT_EQ(bar.ButtonCount(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(bar.Button(i).Hint(), hints[i]);
    // Separators after Settings, Draw Image and Print.
    int count = static_cast<int>(SendMessageA(bar.Handle(), TB_BUTTONCOUNT, 0, 0));
    ASSERT_EQ(count, 11);
    for (int i = 0; i < count; ++i) {
        TBBUTTON b{};
        SendMessageA(bar.Handle(), TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b));
        EXPECT_EQ((b.fsStyle & BTNS_SEP) != 0, i == 3 || i == 7 || i == 9) << i;
        if (b.fsStyle & BTNS_SEP) continue;
        EXPECT_NE(b.iBitmap, I_IMAGENONE);
    }
    EXPECT_EQ(form->imgPrint.Count(), 8);
    EXPECT_EQ(form->tbnPaper->DropdownMenu(), &form->popPaper);
    EXPECT_EQ(form->tbnSettings->DropdownMenu(), &form->popSettings);
    EXPECT_EQ(form->tbnZoom->DropdownMenu(), &form->popZoom);
    EXPECT_EQ(form->tbnDraw->DropdownMenu(), nullptr);
    EXPECT_EQ(form->Caption(), "Print Preview");
    EXPECT_EQ(form->Width(), 447);
    EXPECT_EQ(form->Height(), 342);
}

TEST_F(ViewTest, PaperMenuOffersEveryTypeOnceAndRedraws) {
    std::vector<std::string> top;
    for (size_t i = 0; i < form->popPaper.Count(); ++i)
        top.push_back(form->popPaper.Item(i).Caption);
    std::vector<std::string> expected{"A4",    "-",    "Standard", "Envelopes",  "Sized",
                                      "Small", "Plus", "Extra",    "Transverse", "More"};
    EXPECT_EQ(top, expected);
    std::vector<TMenuItem*> commands = form->popPaper.Commands();
    ASSERT_EQ(commands.size(), 66u);
    std::set<int> types;
    for (TMenuItem* item : commands) {
        int before = composed;
        item->Click();
        EXPECT_EQ(composed, before + 1) << item->Caption;
        EXPECT_TRUE(types.insert(form->prwPrint->PaperType()).second) << item->Caption;
    }
    EXPECT_EQ(types.count(pCustom), 0u);
    EXPECT_EQ(Find(form->popPaper, "Invitation", "Envelopes") != nullptr, true);
    Find(form->popPaper, "B6", "Envelopes")->Click();
    EXPECT_EQ(form->prwPrint->PaperType(), pEnvB6);
    Find(form->popPaper, "Tabloid Extra", "Extra")->Click();
    EXPECT_EQ(form->prwPrint->PaperType(), TabloidExtra);
    EXPECT_EQ(form->prwPrint->PageCount(), 1);
    // The shown menu has the same items, separators included.
    HMENU menu = form->popPaper.CreateHandle();
    EXPECT_EQ(GetMenuItemCount(menu), 10);
    HMENU envelopes = GetSubMenu(menu, 3);
    EXPECT_EQ(GetMenuItemCount(envelopes), 19);
    char text[64] = "";
    GetMenuStringA(envelopes, 15, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "Italian");
    DestroyMenu(menu);
}

TEST_F(ViewTest, ZoomAndSettingsMenus) {
    std::vector<std::string> zoom;
    for (size_t i = 0; i < form->popZoom.Count(); ++i)
        zoom.push_back(form->popZoom.Item(i).Caption);
    std::vector<std::string> expected{
        "Zoom To Fit", "Zoom To Width", "Zoom To Height", "-",    "6%",   "12%",  "25%",  "50%",
        "75%",         "100%",          "150%",           "200%", "400%", "800%", "1600%"};
    EXPECT_EQ(zoom, expected);
    int before = composed;
    Find(form->popZoom, "150%")->Click();
    EXPECT_EQ(form->prwPrint->ZoomState(), zsZoomOther);
    EXPECT_EQ(form->prwPrint->Zoom(), 150);
    Find(form->popZoom, "Zoom To Height")->Click();
    EXPECT_EQ(form->prwPrint->ZoomState(), zsZoomToHeight);
    EXPECT_EQ(composed, before); // zooming does not redraw the page

    Find(form->popSettings, "Landscape")->Click();
    EXPECT_EQ(form->prwPrint->Orientation(), poLandscape);
    EXPECT_EQ(form->prwPrint->PaperWidth(), 2970);
    EXPECT_EQ(composed, before + 1);
    Find(form->popSettings, "Portrait")->Click();
    EXPECT_EQ(form->prwPrint->PaperWidth(), 2100);
}

TEST_F(ViewTest, EmptyRegistryGivesTheDefaultsAndSavingWritesThemAll) {
    RestoreSettings(reg, *form);
    TPrintPreview& prw = *form->prwPrint;
    EXPECT_EQ(prw.PaperType(), pA4);
    EXPECT_EQ(prw.Orientation(), poPortrait);
    EXPECT_EQ(prw.ZoomState(), zsZoomToFit);
    EXPECT_EQ(form->Width(), 447);
    EXPECT_EQ(form->Height(), 342);
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_EQ(form->Left(), (area.left + area.right - 447) / 2);
    SaveSettings(reg, *form);
    EXPECT_EQ(Int("ZoomState"), 1);
    EXPECT_EQ(Int("PaperWidth"), 2100);
    EXPECT_EQ(Int("PaperHeight"), 2970);
    EXPECT_EQ(Int("Orientation"), 0);
    EXPECT_EQ(Int("Left"), form->Left());
    EXPECT_FALSE(reg.ValueExists("Zoom"));
}

TEST_F(ViewTest, ZoomCodesRoundTrip) {
    reg.WriteInteger("ZoomState", 0);
    reg.WriteInteger("Zoom", 150);
    RestoreSettings(reg, *form);
    EXPECT_EQ(form->prwPrint->ZoomState(), zsZoomOther);
    EXPECT_EQ(form->prwPrint->Zoom(), 150);
    form->prwPrint->SetZoomState(zsZoomToWidth);
    reg.WriteInteger("Zoom", 77);
    SaveSettings(reg, *form);
    EXPECT_EQ(Int("ZoomState"), 3);
    EXPECT_EQ(Int("Zoom"), 77);
    form->prwPrint->SetZoomState(zsZoomToHeight);
    SaveSettings(reg, *form);
    EXPECT_EQ(Int("ZoomState"), 2);

    // A percentage without its number falls back to the whole page; unknown codes change nothing.
    NewForm();
    reg.WriteInteger("ZoomState", 0);
    reg.DeleteValue("Zoom");
    RestoreSettings(reg, *form);
    EXPECT_EQ(form->prwPrint->ZoomState(), zsZoomToFit);
    NewForm();
    form->prwPrint->SetZoomState(zsZoomToHeight);
    reg.WriteInteger("ZoomState", 9);
    reg.WriteInteger("Orientation", 5);
    RestoreSettings(reg, *form);
    EXPECT_EQ(form->prwPrint->ZoomState(), zsZoomToHeight);
    EXPECT_EQ(form->prwPrint->Orientation(), poPortrait);
    // A value of the wrong type reads as missing.
    NewForm();
    reg.WriteString("Width", "wide");
    RestoreSettings(reg, *form);
    EXPECT_EQ(form->Width(), 447);
}

TEST_F(ViewTest, LetterComesBackAsCustomPaperAndLandscapeAsA4) {
    Find(form->popPaper, "Letter", "More")->Click();
    SaveSettings(reg, *form);
    EXPECT_EQ(Int("PaperWidth"), 2159);
    EXPECT_EQ(Int("PaperHeight"), 2794);
    NewForm();
    RestoreSettings(reg, *form);
    EXPECT_EQ(form->prwPrint->PaperType(), pCustom);
    EXPECT_EQ(form->prwPrint->PaperWidth(), 2159);
    EXPECT_EQ(form->prwPrint->PaperHeight(), 2794);

    NewForm();
    reg.WriteInteger("Orientation", 1);
    reg.WriteInteger("PaperWidth", 2970);
    reg.WriteInteger("PaperHeight", 2100);
    reg.WriteInteger("Top", 40);
    reg.WriteInteger("Left", 50);
    RestoreSettings(reg, *form);
    EXPECT_EQ(form->prwPrint->PaperType(), pA4);
    EXPECT_EQ(form->prwPrint->Orientation(), poLandscape);
    EXPECT_EQ(form->prwPrint->PaperWidth(), 2970);
    EXPECT_EQ(form->Left(), 50);
    EXPECT_EQ(form->Top(), 40);
}

TEST_F(ViewTest, DrawImagePutsTheImageAtThePositionOnOnePage) {
    position = {100, 200};
    form->DrawImage();
    form->DrawImage();
    TPrintPreview& prw = *form->prwPrint;
    ASSERT_EQ(prw.PageCount(), 1);
    // Play the page at one pixel per millimetre: the image starts 10 mm across and 20 mm down.
    image.Canvas().FillRect({0, 0, 40, 20}, RGB(0, 0, 255));
    form->DrawImage();
    TBitmap sheet;
    sheet.SetSize(210, 297);
    sheet.Canvas().FillRect({0, 0, 210, 297}, RGB(255, 255, 255));
    sheet.Canvas().StretchDraw({0, 0, 210, 297}, prw.Pages().Items(0));
    GdiFlush();
    HDC dc = sheet.Canvas().Handle();
    EXPECT_EQ(GetPixel(dc, 11, 21), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 9, 21), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 11, 19), RGB(255, 255, 255));
    int wide = prw.ScreenToUnits(40) / 10; // in millimetres
    EXPECT_EQ(GetPixel(dc, 10 + wide - 1, 22), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 10 + wide + 1, 22), RGB(255, 255, 255));
}

TEST(SetPositionTest, NumbersAreCheckedAndResetGoesToTheCorner) {
    EXPECT_EQ(ParseInteger("120"), 120);
    EXPECT_EQ(ParseInteger("-5"), -5);
    EXPECT_EQ(ParseInteger(""), std::nullopt);
    EXPECT_EQ(ParseInteger("12a"), std::nullopt);
    EXPECT_EQ(ParseInteger("99999999999"), std::nullopt);

    {
        TfrmSetPos dlg(nullptr, 70000, 30);
        EXPECT_EQ(dlg.updTop->Position(), 30);
        EXPECT_EQ(dlg.updLeft->Position(), 4464); // 70000 kept to its low 16 bits
        EXPECT_EQ(dlg.updTop->Max(), 10000);
        EXPECT_EQ(dlg.updTop->Increment(), 10);
        EXPECT_FALSE(dlg.updTop->Wrap());
        EXPECT_TRUE(dlg.btnReset->Default());
        EXPECT_EQ(dlg.ClientWidth(), 215);
        EXPECT_EQ(dlg.ClientHeight(), 95);
    }

    TfrmSetPos dlg(nullptr, 10, 20);
    std::string message;
    bool stillOpen = false;
    WhenWindowAppears box("Kovalin Vodedi", [&](HWND h) {
        for (HWND c : ChildWindows(h))
            if (ClassOf(c) == "Static" && !WindowText(c).empty()) message = WindowText(c);
        PostMessageA(h, WM_COMMAND, IDOK, 0);
    });
    WhenWindowAppears open("Set Position", [&](HWND) {
        EXPECT_EQ(GetFocus(), dlg.btnReset->Handle());
        dlg.edtTop->SetText("abc");
        dlg.btnOK->Click();
        stillOpen = dlg.ModalResult() == mrNone;
        dlg.edtTop->SetText("20000"); // beyond the buttons' range, still taken
        dlg.edtLeft->SetText("100");
        dlg.btnOK->Click();
    });
    dlg.ShowModal();
    EXPECT_TRUE(box.Fired());
    EXPECT_EQ(message, "You need to input valid numerics.");
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(dlg.Accepted());
    EXPECT_EQ(dlg.Y(), 20000);
    EXPECT_EQ(dlg.X(), 100);

    TfrmSetPos reset(nullptr, 10, 20);
    WhenWindowAppears again("Set Position", [&](HWND) { reset.btnReset->Click(); });
    reset.ShowModal();
    EXPECT_TRUE(reset.Accepted());
    EXPECT_EQ(reset.X(), 0);
    EXPECT_EQ(reset.Y(), 0);
}
