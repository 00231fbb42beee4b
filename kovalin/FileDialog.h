// The system's dialogs for choosing a file to open or a name to save under.
#pragma once

#include "kovalin/Set.h"

#include <windows.h>

#include <string>

namespace kovalin {

enum class TOpenOption {
    ofOverwritePrompt, // ask before an existing file is chosen for saving
    ofHideReadOnly,    // no "Open as read-only" box
    ofNoChangeDir,     // the current folder stays where it was
    ofPathMustExist,
    ofFileMustExist,
    ofCreatePrompt,
    ofNoReadOnlyReturn,
    ofEnableSizing,
};
using TOpenOptions = TSet<TOpenOption>;

class TFileDialog {
public:
    TFileDialog(const TFileDialog&) = delete;
    TFileDialog& operator=(const TFileDialog&) = delete;
    virtual ~TFileDialog() = default;

    // Shows the dialog, modal to `owner` (nullptr: this thread's active window, else the
    // application window). True when the user confirmed a name, which FileName then holds.
    bool Execute(HWND owner = nullptr);

    std::string Title;
    // Pairs of description and patterns, all separated by "|":
    // "JPEG Images (*.jpg)|*.jpg|All files|*.*".
    std::string Filter;
    int FilterIndex = 1; // 1-based; the pair the user ended with after Execute
    std::string FileName;
    std::string InitialDir;
    // Added to a typed name without an extension; no dot.
    std::string DefaultExt;
    TOpenOptions Options{TOpenOption::ofHideReadOnly, TOpenOption::ofEnableSizing};

protected:
    TFileDialog() = default;
    // Runs the system dialog with the filled record.
    virtual bool Run(OPENFILENAMEA& ofn) = 0;
};

class TOpenDialog : public TFileDialog {
protected:
    bool Run(OPENFILENAMEA& ofn) override;
};

class TSaveDialog : public TFileDialog {
protected:
    bool Run(OPENFILENAMEA& ofn) override;
};

} // namespace kovalin
