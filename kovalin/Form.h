// Top-level forms: border styles, client size, placement relative to the owner, modal showing,
// and painting of the non-windowed controls that sit on them.
#pragma once

#include "kovalin/WinControl.h"

#include <functional>
#include <vector>

namespace kovalin {

class TGraphicControl;
class TButton;

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow };
enum class TPosition { poDesigned, poScreenCenter, poOwnerFormCenter };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = IDOK;
inline constexpr TModalResult mrCancel = IDCANCEL;
inline constexpr TModalResult mrYes = IDYES;
inline constexpr TModalResult mrNo = IDNO;

struct TFormParams {
    std::string caption;
    TFormBorderStyle borderStyle = TFormBorderStyle::bsSizeable;
    TPosition position = TPosition::poDesigned;
    int left = 0, top = 0; // used with poDesigned
    int clientWidth = 320, clientHeight = 240;
    HWND owner = nullptr; // nullptr: the application window
};

class TForm : public TWinControl {
public:
    explicit TForm(const TFormParams& params);
    ~TForm() override;

    // Shows the form with every other window of this thread disabled and runs messages until
    // ModalResult is set; returns it.
    TModalResult ShowModal();
    void Show();
    // Modal: ends ShowModal with mrCancel. Modeless: hides the form.
    void Close();

    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    bool Modal() const { return modal_; }

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    TPosition Position() const { return position_; }
    HWND Owner() const { return GetWindow(Handle(), GW_OWNER); }

    // A hidden form takes the state when it is shown.
    TWindowState WindowState() const;
    void SetWindowState(TWindowState value);

    int ClientWidth() const;
    int ClientHeight() const;
    void SetClientSize(int width, int height);

    // The button that Enter presses.
    TButton* DefaultButton() const { return defaultButton_; }

    std::function<void()> OnShow;
    // A modeless form is about to hide after the user closed it.
    std::function<void()> OnClose;
    std::function<void()> OnResize;
    std::function<void(HDC)> OnPaint;
    // A menu item or accelerator of the form was chosen.
    std::function<void(UINT id)> OnMenuCommand;

    static TForm* FormOf(const TWinControl& control);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    friend class TGraphicControl;
    friend class TButton;
    void PlaceOnScreen();
    void SetDefaultButton(TButton* button, bool isDefault);

    TFormBorderStyle borderStyle_;
    TPosition position_;
    TWindowState showState_ = TWindowState::wsNormal;
    TModalResult modalResult_ = mrNone;
    bool modal_ = false;
    TButton* defaultButton_ = nullptr;
    // The control that had the keyboard when the form was deactivated; checked before use.
    HWND lastFocus_ = nullptr;
    std::vector<TGraphicControl*> graphics_;
};

} // namespace kovalin
