// The editor's window: one image shown scaled on black, the menus the plug-ins offer, and the
// commands that hand the image to them with the ownership each entry point expects.
#pragma once

#include "kovalin/Form.h"
#include "kovalin/Handles.h"
#include "tools/vodedi/HostMenus.h"
#include "tools/vodedi/PluginCatalog.h"

#include <memory>
#include <string>

namespace vodedi {

struct TViewerParams {
    bool fullScreen = false;
    bool print = false; // started to print: the caption says so
};

class TfrmViewer : public kovalin::TForm {
public:
    TfrmViewer(const TPluginCatalog& catalog, const TViewerParams& params);
    ~TfrmViewer() override;

    // Opens the file through the plug-in registered for its extension (the registry map first,
    // then the plug-ins' own SPECS); false, after telling the user, when none could read it.
    bool OpenFile(const std::string& path);
    // Replaces the shown image; the previous one is dropped (undo starts afresh).
    void SetImage(kovalin::UniqueHBitmap image, const std::string& path, const std::string& title);
    HBITMAP Image() const { return image_.get(); }
    const std::string& FileName() const { return file_; }
    bool CanUndo() const { return static_cast<bool>(undo_); }

    void Run(const TMenuCommand& command);
    void RunCommand(UINT id);
    // The print plug-in without its preview, as "/print" asks.
    void PrintAtOnce();
    const THostMenus* Menus() const { return menus_.get(); }

private:
    void PaintImage(HDC dc);
    void UpdateCaption();
    void UpdateMenus();
    void SaveAs();
    void Export(const std::string& library);
    void ShowInfo();
    void Print(bool atOnce);
    void Configure(const std::string& library);
    void Tool(const std::string& library);
    void Filter(const std::string& library);
    void Undo();
    void LoadFromUrl();
    bool NeedImage();
    void Error(const std::string& message);

    const TPluginCatalog& catalog_;
    TViewerParams params_;
    std::unique_ptr<THostMenus> menus_;
    std::string file_, title_, downloaded_;
    kovalin::UniqueHBitmap image_, undo_;
};

// A copy of the bitmap for an entry point that takes its image over; null on failure.
kovalin::UniqueHBitmap CopyBitmap(HBITMAP source);
std::string LowerExtension(const std::string& file);
std::string NamePart(const std::string& file);

} // namespace vodedi
