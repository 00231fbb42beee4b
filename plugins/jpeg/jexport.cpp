#include "plugins/jpeg/jexport.h"

#include "kovalin/Exceptions.h"
#include "plugins/jpeg/jpeg.h"

#include <windows.h>

#include <functional>

namespace kvjpeg {

using namespace kovalin;

namespace {

// Errors in a handler are shown and the dialog stays open; none may unwind through the window
// procedure that called the handler.
std::function<void()> Guarded(TForm& form, std::function<void()> handler) {
    return [&form, handler = std::move(handler)] {
        try {
            handler();
        } catch (const EAbort&) {
        } catch (const std::exception& e) {
            MessageBoxA(form.Handle(), e.what(), "JPEG Export", MB_OK | MB_ICONERROR);
        }
    };
}

bool FileExists(const std::string& path) {
    DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

// The size of the file as another program would see it now; -1 when it cannot be opened.
DWORD FileSizeLow32(const std::string& path) {
    UniqueFileHandle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    if (!f) RaiseLastOSError("CreateFile");
    return GetFileSize(f.get(), nullptr);
}

} // namespace

TfrmJExport::TfrmJExport(TBitmap& image, const std::string& tempPath)
    : TForm({.caption = "JPEG Export",
             .borderStyle = TFormBorderStyle::bsDialog,
             .position = TPosition::poOwnerFormCenter,
             .clientWidth = 409,
             .clientHeight = 230}),
      image_(image), tempPath_(tempPath) {
    pclJExport = std::make_unique<TPageControl>(
        *this, TPageControl::Params{.left = 5, .top = 5, .width = 397, .height = 193, .hotTrack = true});
    shtSettings = std::make_unique<TTabSheet>(*pclJExport, "Settings");
    gbxQuality = std::make_unique<TGroupBox>(
        *shtSettings,
        TGroupBox::Params{.caption = " Quality ", .left = 10, .top = 15, .width = 367, .height = 69});
    tbrQuality =
        std::make_unique<TTrackBar>(*gbxQuality, TTrackBar::Params{.left = 4,
                                                                   .top = 21,
                                                                   .width = 317,
                                                                   .height = 35,
                                                                   .tickMarks = TTickMark::tmBottomRight,
                                                                   .min = 1,
                                                                   .max = 100,
                                                                   .position = 80,
                                                                   .pageSize = 5,
                                                                   .frequency = 10});
    lblQuality =
        std::make_unique<TLabel>(*gbxQuality, TLabel::Params{.caption = "80", .left = 330, .top = 24});
    cbxGrayScale = std::make_unique<TCheckBox>(
        *shtSettings,
        TCheckBox::Params{.caption = "GrayScale", .left = 10, .top = 87, .width = 97, .height = 17});
    shtPreview = std::make_unique<TTabSheet>(*pclJExport, "Preview");
    sbxPreview = std::make_unique<TScrollBox>(*shtPreview, TScrollBox::Params{.color = COLOR_APPWORKSPACE});
    sbxPreview->SetAlign(TAlign::alClient);
    imgPreview =
        std::make_unique<TImage>(*sbxPreview, TImage::Params{.left = 0, .top = 0, .width = 0, .height = 0});
    lblSize = std::make_unique<TLabel>(*this, TLabel::Params{.caption = "File size:", .left = 5, .top = 203});
    btnSave = std::make_unique<TButton>(
        *this, TButton::Params{.caption = "Save", .left = 249, .top = 201, .width = 75, .height = 25});
    btnCancel = std::make_unique<TButton>(
        *this,
        TButton::Params{
            .caption = "Cancel", .left = 327, .top = 201, .width = 75, .height = 25, .isDefault = true});

    dlgJSave.Title = "Save JPEG ...";
    dlgJSave.DefaultExt = "jpg";
    dlgJSave.FileName = "Untitled.jpg";
    dlgJSave.Filter = "JPEG Images (*.jpg; *.jpeg)|*.jpg; *.jpeg";

    tbrQuality->OnChange = Guarded(*this, [this] { tbrQualityChange(); });
    cbxGrayScale->OnClick = Guarded(*this, [this] { cbxGrayScaleClick(); });
    btnSave->OnClick = Guarded(*this, [this] { btnSaveClick(); });
    btnCancel->OnClick = Guarded(*this, [this] { btnCancelClick(); });
}

void TfrmJExport::tbrQualityChange() {
    TJPEGImage jpg;
    jpg.SetCompressionQuality(static_cast<TJPEGQualityRange>(tbrQuality->Position()));
    jpg.SetGrayscale(cbxGrayScale->Checked());
    lblQuality->SetCaption(std::to_string(tbrQuality->Position()));

    jpg.Assign(image_);
    jpg.JPEGNeeded(); // an error in compressing must not cost the file its old content first
    jpg.SaveToFile(tempPath_);
    jpg.LoadFromFile(tempPath_);

    TBitmap& picture = imgPreview->Picture();
    int w = jpg.Width(), h = jpg.Height();
    picture.SetSize(w, h);
    jpg.Draw(picture.Canvas(), RECT{0, 0, w, h});
    // The picture sits at the content's corner, wherever the box is scrolled to.
    imgPreview->SetBounds(-sbxPreview->ScrollLeft(), -sbxPreview->ScrollTop(), w, h);
    imgPreview->Invalidate();
    sbxPreview->UpdateScrollRange();

    lblSize->SetCaption("File size: " + std::to_string(FileSizeLow32(tempPath_)) + " bytes");
}

void TfrmJExport::cbxGrayScaleClick() {
    tbrQualityChange();
}

void TfrmJExport::btnSaveClick() {
    if (dlgJSave.Execute(Handle()) && !FileExists(dlgJSave.FileName)) {
        TJPEGImage jpg;
        jpg.SetCompressionQuality(static_cast<TJPEGQualityRange>(tbrQuality->Position()));
        jpg.SetGrayscale(cbxGrayScale->Checked());
        jpg.Assign(image_);
        jpg.JPEGNeeded();
        jpg.SaveToFile(dlgJSave.FileName);
    }
    SetModalResult(mrOk);
}

void TfrmJExport::btnCancelClick() {
    SetModalResult(mrCancel);
}

} // namespace kvjpeg
