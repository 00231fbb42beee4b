// A control's BeginUpdate ... EndUpdate bracket, closed on every way out of a scope.
#pragma once

namespace shell {

template <typename Control> class TUpdateBracket {
public:
    explicit TUpdateBracket(Control& control) : control_(&control) { control.BeginUpdate(); }
    TUpdateBracket(const TUpdateBracket&) = delete;
    TUpdateBracket& operator=(const TUpdateBracket&) = delete;
    ~TUpdateBracket() { End(); }
    // Ends the bracket early; the destructor then does nothing.
    void End() {
        if (control_) control_->EndUpdate();
        control_ = nullptr;
    }

private:
    Control* control_;
};

} // namespace shell
