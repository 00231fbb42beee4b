#include "plugins/print/view.h"

#include "kovalin/Printer.h"
#include "kovalin/PrinterSetupDialog.h"
#include "plugins/print/ToolImages.h"
#include "plugins/print/pos.h"

namespace kvprint {

using namespace kovalin;

namespace {

struct PaperEntry {
    const char* caption; // "-" for a separator
    TPaperType type;
};

struct PaperGroup {
    const char* caption;
    std::vector<PaperEntry> entries;
};

const std::vector<PaperGroup>& PaperGroups() {
    static const std::vector<PaperGroup> groups = {
        {"Standard", {{"A2", pA2}, {"A3", pA3}, {"A5", pA5}, {"B4", pB4}, {"B4 ISO", pB4ISO}, {"B5", pB5}}},
        {"Envelopes",
         {{"9", pEnv9},
          {"10", pEnv10},
          {"11", pEnv11},
          {"12", pEnv12},
          {"14", pEnv14},
          {"DL", pEnvDL},
          {"C3", pEnvC3},
          {"C4", pEnvC4},
          {"C5", pEnvC5},
          {"C6", pEnvC6},
          {"C65", pEnvC65},
          {"B4", pEnvB4},
          {"B5", pEnvB5},
          {"B6", pEnvB6},
          {"-", pCustom},
          {"Italian", pEnvItaly},
          {"Monarch", pEnvMonarch},
          {"Personal", pEnvPersonal},
          {"Invitation", pEnvInvite}}},
        {"Sized",
         {{"9 x 11", p9x11},
          {"10 x 11", p10x11},
          {"10 x 14", p10x14},
          {"11 x 17", p11x17},
          {"15 x 11", p15x11}}},
        {"Small", {{"Small Letter", pLetterSmall}, {"Small A4", pA4Small}}},
        {"Plus",
         {{"A Plus", pAPlus}, {"B Plus", pBPlus}, {"A4 Plus", pA4Plus}, {"Letter Plus", pLetterPlus}}},
        {"Extra",
         {{"A3 Extra", pA3Extra},
          {"A4 Extra", pA4Extra},
          {"A5 Extra", pA5Extra},
          {"B5 Extra", pB5Extra},
          {"-", pCustom},
          {"Letter Extra", pLetterExtra},
          {"Legal Extra", pLegalExtra},
          {"Tabloid Extra", TabloidExtra}}},
        {"Transverse",
         {{"A3 Transverse", pA3Transverse},
          {"A3 Extra Transverse", pA3ExtraTransverse},
          {"A4 Transverse", pA4Transverse},
          {"A5 Transverse", pA5Transverse},
          {"B5 Transverse", pB5Transverse},
          {"Letter Transverse", pLetterTransverse},
          {"Letter Extra Transverse", pLetterExtraTransverse}}},
        {"More",
         {{"Letter", pLetter},
          {"Tabloid", pTabloid},
          {"Ledger", pLedger},
          {"Legal", pLegal},
          {"Statement", pStatement},
          {"Executive", pExecutive},
          {"Folio", pFolio},
          {"Quatro", pQuatro},
          {"Note", pNote},
          {"-", pCustom},
          {"C Sheet", pCSheet},
          {"D Sheet", pDSheet},
          {"E Sheet", pESheet},
          {"-", pCustom},
          {"Fanfold US Std", pFanfoldUSStd},
          {"Fanfold German Std", pFanfoldGermanStd},
          {"Fanfold German Legal", pFanfoldGermanLegal},
          {"-", pCustom},
          {"Japanese Postcard", pJapanesePostcard}}},
    };
    return groups;
}

const int kZoomSteps[] = {6, 12, 25, 50, 75, 100, 150, 200, 400, 800, 1600};

} // namespace

TfrmPrint::TfrmPrint(HWND owner, TBitmap& image, TImagePosition& position)
    : TForm({.caption = "Print Preview", .clientWidth = 439, .clientHeight = 315, .owner = owner}),
      imgPrint(TImageList::Params{.width = 16, .height = 16}), image_(image), position_(position) {
    // A system menu and nothing else in the caption.
    SetWindowLongA(Handle(), GWL_STYLE,
                   GetWindowLongA(Handle(), GWL_STYLE) & ~(WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    SetBounds(Left(), Top(), 447, 342);
    AddToolImages(imgPrint);
    tbrPrintMain = std::make_unique<TToolBar>(
        *this, TToolBar::Params{.height = 26, .buttonWidth = 23, .images = imgPrint.Handle(), .caption = ""});
    tbnPaper = &tbrPrintMain->AddButton("", tiPaper, "Paper Type", true);
    tbnPrinterSetup = &tbrPrintMain->AddButton("", tiPrinterSetup, "Printer Setup", true);
    tbnSettings = &tbrPrintMain->AddButton("", tiSettings, "Settings", true);
    tbrPrintMain->AddSeparator(8);
    tbnZoom = &tbrPrintMain->AddButton("", tiZoom, "Zoom", true);
    tbnPosition = &tbrPrintMain->AddButton("", tiPosition, "Position", true);
    tbnDraw = &tbrPrintMain->AddButton("", tiDraw, "Draw Image", true);
    tbrPrintMain->AddSeparator(8);
    tbnPrint = &tbrPrintMain->AddButton("", tiPrint, "Print", true);
    tbrPrintMain->AddSeparator(8);
    tbnClose = &tbrPrintMain->AddButton("", tiClose, "Close", true);
    tbrPrintMain->AutoSize();

    prwPrint = std::make_unique<TPrintPreview>(*this, TPrintPreview::Params{.units = mmLoMetric,
                                                                            .margin = 69,
                                                                            .fontName = "Arial",
                                                                            .smoothScroll = true,
                                                                            .trackingScroll = true});

    BuildMenus();
    tbnPaper->SetDropdownMenu(&popPaper);
    tbnSettings->SetDropdownMenu(&popSettings);
    tbnZoom->SetDropdownMenu(&popZoom);
    tbnPrinterSetup->OnClick = [this] { PrinterSetup(); };
    tbnPosition->OnClick = [this] { SetPosition(); };
    tbnDraw->OnClick = [this] { DrawImage(); };
    tbnPrint->OnClick = [this] { prwPrint->Print(); };
    tbnClose->OnClick = [this] { Close(); };
}

TfrmPrint::~TfrmPrint() {
    // The preview and the bar go before the image list they show.
    prwPrint.reset();
    tbrPrintMain.reset();
}

void TfrmPrint::BuildMenus() {
    auto paperItem = [this](TMenuItem& parent, const PaperEntry& e) {
        if (std::string(e.caption) == "-")
            parent.Add("-");
        else
            parent.Add(e.caption, [this, type = e.type] {
                prwPrint->SetPaperType(type);
                DrawImage();
            });
    };
    popPaper.Add("A4", [this] {
        prwPrint->SetPaperType(pA4);
        DrawImage();
    });
    popPaper.Add("-");
    for (const PaperGroup& g : PaperGroups()) {
        TMenuItem& sub = popPaper.Add(g.caption);
        for (const PaperEntry& e : g.entries)
            paperItem(sub, e);
    }

    popSettings.Add("Portrait", [this] {
        prwPrint->SetOrientation(poPortrait);
        DrawImage();
    });
    popSettings.Add("Landscape", [this] {
        prwPrint->SetOrientation(poLandscape);
        DrawImage();
    });

    popZoom.Add("Zoom To Fit", [this] { prwPrint->SetZoomState(zsZoomToFit); });
    popZoom.Add("Zoom To Width", [this] { prwPrint->SetZoomState(zsZoomToWidth); });
    popZoom.Add("Zoom To Height", [this] { prwPrint->SetZoomState(zsZoomToHeight); });
    popZoom.Add("-");
    for (int z : kZoomSteps)
        popZoom.Add(std::to_string(z) + "%", [this, z] {
            prwPrint->SetZoomState(zsZoomOther);
            prwPrint->SetZoom(z);
        });
}

void TfrmPrint::DrawImage() {
    prwPrint->BeginDoc();
    prwPrint->DrawGraphicAt(position_.X, position_.Y, image_);
    prwPrint->EndDoc();
}

void TfrmPrint::SetPosition() {
    TfrmSetPos dlg(Handle(), position_.X, position_.Y);
    dlg.ShowModal();
    if (!dlg.Accepted()) return;
    position_.X = dlg.X();
    position_.Y = dlg.Y();
    DrawImage();
}

void TfrmPrint::PrinterSetup() {
    TPrinterSetupDialog dlg(Printer());
    dlg.Execute(Handle());
}

LRESULT TfrmPrint::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    // Top-level windows hear of changed system settings; the preview needs to know as well.
    if (msg == WM_SETTINGCHANGE && prwPrint) SendMessageA(prwPrint->Handle(), msg, wParam, lParam);
    return TForm::WndProc(msg, wParam, lParam);
}

} // namespace kvprint
