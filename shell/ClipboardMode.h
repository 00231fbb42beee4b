// What the program's file views last put on the clipboard. The tree and the list share the one
// clipboard, so a paste in either view must know whether files were cut (moved by the paste) or
// copied; files put there by another program leave it at none.
#pragma once

namespace shell {

enum class TClipboardMode { None = 0, Cut = 1, Copy = 2 };

class TProgramClipboard {
public:
    // The program's one.
    static TProgramClipboard& Program();

    TProgramClipboard(const TProgramClipboard&) = delete;
    TProgramClipboard& operator=(const TProgramClipboard&) = delete;

    TClipboardMode Mode() const { return mode_; }
    void SetMode(TClipboardMode mode) { mode_ = mode; }

private:
    TProgramClipboard() = default;
    TClipboardMode mode_ = TClipboardMode::None;
};

inline TClipboardMode ClipboardMode() {
    return TProgramClipboard::Program().Mode();
}

inline void SetClipboardMode(TClipboardMode mode) {
    TProgramClipboard::Program().SetMode(mode);
}

} // namespace shell
