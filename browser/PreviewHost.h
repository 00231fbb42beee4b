// The preview pane's host: asks the open plug-in registered for a file's extension for a bitmap
// and draws it fitted into the pane's image, or shows the pane's "no preview" caption instead.
#pragma once

#include "kovalin/Image.h"
#include "kovalin/Panel.h"

#include <windows.h>

#include <functional>
#include <string>

namespace browser {

inline constexpr char kNoPreviewCaption[] = "No preview available.";

class TPreviewHost {
public:
    // pane shows the caption when there is no preview; image, a child of it, the picture.
    TPreviewHost(kovalin::TPanel& pane, kovalin::TImage& image);

    // Whether an open plug-in is registered for an extension (no dot, any case).
    static bool IsSupported(const std::string& extension);
    // Previews a file through its plug-in; a file the plug-in cannot open empties the pane.
    void Preview(const std::string& fileName);
    // Draws a bitmap a plug-in returned, and deletes it.
    void DoPreview(HBITMAP bitmap);
    // Empties the pane.
    void ClearPreview();
    // A preview is on show.
    bool PreviewShown() const { return shown_; }

    // Called when a preview comes or goes (the window's commands that take the file follow it).
    std::function<void(bool shown)> OnShownChange;

private:
    void SetShown(bool shown);

    kovalin::TPanel& pane_;
    kovalin::TImage& image_;
    bool shown_ = false;
};

} // namespace browser
