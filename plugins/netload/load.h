// The "Downloading..." window: fetches one address into a local file with the HTTP client,
// shows how many bytes have come, and lets the user cancel.
#pragma once

#include "kovalin/Button.h"
#include "kovalin/Form.h"
#include "kovalin/Label.h"
#include "kovalin/Stream.h"
#include "kovalin/Timer.h"
#include "plugins/netload/HttpProt.h"

#include <memory>
#include <string>

namespace netload {

struct TLoadRequest {
    std::string url, localFile, agent, referer;
};

class TfrmLoad : public kovalin::TForm {
public:
    static constexpr char kCancelled[] = "Cancelled";

    // Starts the download at once; `result` receives the outcome when the window closes: the
    // content type, empty after a failed or incomplete transfer, or "Cancelled".
    TfrmLoad(const TLoadRequest& request, std::string& result);
    ~TfrmLoad() override;

    std::unique_ptr<kovalin::TLabel> lblCurrent;
    std::unique_ptr<kovalin::TButton> btnCancel;
    std::unique_ptr<THttpCli> http;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void httpDocBegin();
    void httpDocData();
    void httpDocEnd();
    void httpRequestDone(WORD error);
    void btnCancelClick();
    void CloseFile();
    void ShowProgress();

    std::string localFile_;
    std::string& result_;
    std::unique_ptr<kovalin::TFileStream> file_;
    // The count is shown at most every kProgressIntervalMs; the timer shows the latest one when
    // the bytes stop coming. Redrawing the label for every piece would cost more than the
    // download itself on a fast connection.
    static constexpr DWORD kProgressIntervalMs = 100;
    kovalin::TTimer progressTimer_;
    DWORD progressShownAt_ = 0;
    bool progressShown_ = false;
};

} // namespace netload
