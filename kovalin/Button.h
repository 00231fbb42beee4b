// A push button: OnClick, an optional modal result for its form, and the default-button role.
#pragma once

#include "kovalin/Form.h"

#include <functional>

namespace kovalin {

class TButton : public TWinControl {
public:
    struct Params {
        std::string caption;
        int left = 0, top = 0, width = 75, height = 25;
        bool isDefault = false;
        TModalResult modalResult = mrNone;
    };
    TButton(TWinControl& parent, const Params& p);
    ~TButton() override;

    bool Default() const { return default_; }
    void SetDefault(bool value);
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value) { modalResult_ = value; }

    // What a press does: hands the modal result to the form, then runs OnClick.
    void Click();

    std::function<void()> OnClick;

protected:
    void CommandNotify(WORD code) override;

private:
    TForm* form_;
    bool default_ = false;
    TModalResult modalResult_;
};

} // namespace kovalin
