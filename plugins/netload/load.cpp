#include "plugins/netload/load.h"

namespace netload {

TfrmLoad::TfrmLoad(const TLoadRequest& request, std::string& result)
    : TForm({.caption = "Downloading...",
             .borderStyle = kovalin::TFormBorderStyle::bsDialog,
             .position = kovalin::TPosition::poOwnerFormCenter,
             .clientWidth = 251,
             .clientHeight = 30}),
      localFile_(request.localFile), result_(result) {
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    lblCurrent = std::make_unique<kovalin::TLabel>(
        *this, kovalin::TLabel::Params{.caption = "Starting download process... ", .left = 5, .top = 8});
    btnCancel = std::make_unique<kovalin::TButton>(
        *this, kovalin::TButton::Params{.caption = "Cancel", .left = 173, .top = 3, .isDefault = true});
    btnCancel->OnClick = [this] { btnCancelClick(); };
    progressTimer_.SetEnabled(false);
    progressTimer_.SetInterval(kProgressIntervalMs);
    progressTimer_.SetOnTimer([this] {
        try {
            ShowProgress();
        } catch (...) {
            // A count not shown is no reason to stop the download.
        }
    });

    http = std::make_unique<THttpCli>();
    http->ProxyPort = "80";
    http->Accept = "image/gif, image/jpeg, image/pjpeg, image/png";
    http->NoCache = false;
    http->ContentTypePost = "application/x-www-form-urlencoded";
    http->MultiThreaded = false;
    http->OnDocBegin = [this] { httpDocBegin(); };
    http->OnDocData = [this](const char*, int) { httpDocData(); };
    http->OnDocEnd = [this] { httpDocEnd(); };
    http->OnRequestDone = [this](THttpRequest, WORD error) { httpRequestDone(error); };

    http->RequestUrl = request.url;
    http->Agent = request.agent;
    http->Reference = request.referer;
    http->GetASync();
}

TfrmLoad::~TfrmLoad() {
    // The client and its connection go before the file it writes to.
    http.reset();
    CloseFile();
}

void TfrmLoad::CloseFile() {
    if (http) http->BodySink = nullptr;
    file_.reset();
}

void TfrmLoad::httpDocBegin() {
    // A file of the same name is replaced.
    file_ = std::make_unique<kovalin::TFileStream>(localFile_, kovalin::TFileMode::fmCreate);
    http->BodySink = file_.get();
}

void TfrmLoad::httpDocData() {
    if (!progressShown_ || GetTickCount() - progressShownAt_ >= kProgressIntervalMs)
        ShowProgress();
    else if (!progressTimer_.Enabled())
        progressTimer_.SetEnabled(true);
}

void TfrmLoad::ShowProgress() {
    progressTimer_.SetEnabled(false);
    progressShown_ = true;
    progressShownAt_ = GetTickCount();
    lblCurrent->SetCaption("Downloaded: " + std::to_string(http->ReceivedBytes()) + " bytes.");
}

void TfrmLoad::httpDocEnd() {
    CloseFile();
}

void TfrmLoad::httpRequestDone(WORD error) {
    // A transfer that broke off or came short is a failure, whatever type it announced.
    result_ = error == 0 && http->BodyComplete() ? http->ResponseType() : std::string();
    SetModalResult(kovalin::mrOk);
}

void TfrmLoad::btnCancelClick() {
    // What has been written stays on disk.
    CloseFile();
    result_ = kCancelled;
    SetModalResult(kovalin::mrCancel);
}

LRESULT TfrmLoad::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    // The title bar's close button and Esc cancel like the button does.
    if (msg == WM_CLOSE || (msg == WM_COMMAND && lParam == 0 && LOWORD(wParam) == IDCANCEL)) {
        btnCancelClick();
        return 0;
    }
    return TForm::WndProc(msg, wParam, lParam);
}

} // namespace netload
