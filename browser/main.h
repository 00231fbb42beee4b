// The browser's one window: tool bar with the drive combo box, the drive tree above the preview
// pane on the left, the file list on the right, the status bar; its layout and last folder kept
// in the user's registry; the preview of the selected file through its open plug-in; and the
// launching of the image editor beside the program.
#pragma once

#include "drivetree/DriveView.h"
#include "drivetree/IEComboBox.h"
#include "filelist/DirView.h"
#include "kovalin/Form.h"
#include "kovalin/Image.h"
#include "kovalin/ImageList.h"
#include "kovalin/Panel.h"
#include "kovalin/Registry.h"
#include "kovalin/Splitter.h"
#include "kovalin/StatusBar.h"
#include "kovalin/ToolBar.h"
#include "shell/IEDriveInfo.h"

#include <memory>
#include <string>
#include <vector>

namespace browser {

// Under HKEY_CURRENT_USER.
inline constexpr char kSettingsKey[] = "\\Software\\Kovalin\\Vodedi\\Thumbs";
inline constexpr char kNoPreviewCaption[] = "No preview available.";

class TfrmMain : public kovalin::TForm {
public:
    // args: the command-line arguments after the program name; the first may name a folder to
    // start in.
    explicit TfrmMain(std::vector<std::string> args);
    // Saves the layout and the folder (FormDestroy).
    ~TfrmMain() override;

    // What the combo, the tree and the list know of the drives; it outlives them.
    shell::TDriveInfo DriveInfo;
    // Components, in their parent-child order.
    std::unique_ptr<kovalin::TImageList> imlMain;
    std::unique_ptr<kovalin::TToolBar> tbrMain;
    std::unique_ptr<drivetree::TIEDriveComboBox> cbxDrives;
    kovalin::TToolButton* tbnNewFolder = nullptr;
    kovalin::TToolButton* tbnOpen = nullptr;
    kovalin::TToolButton* tbnFS = nullptr;
    kovalin::TToolButton* tbnPrint = nullptr;
    std::unique_ptr<kovalin::TStatusBar> sbrMain;
    std::unique_ptr<kovalin::TPanel> pnlLeft;
    std::unique_ptr<kovalin::TPanel> pnlPreview;
    std::unique_ptr<kovalin::TSplitter> splPreview;
    std::unique_ptr<drivetree::TDriveView> drvView;
    std::unique_ptr<kovalin::TPanel> pnlSpacer;
    std::unique_ptr<kovalin::TImage> imgPreview;
    std::unique_ptr<kovalin::TSplitter> splMain;
    std::unique_ptr<filelist::TDirView> dirView;

    void FormCreate();
    void FormDestroy();
    void tbnNewFolderClick();
    void tbnOpenClick();
    void tbnFSClick();
    void tbnPrintClick();
    void dirViewSelectItemNew(kovalin::TListItem* item, bool selected);
    void splMainMoved();
    void splPreviewMoved();
    void drvViewChange(kovalin::TTreeNode* node);
    void appEventsHint();

    // Preview host: whether an open plug-in is registered for an extension (no dot, any case);
    // preview a file through it; draw a bitmap the plug-in returned (and delete it); empty the pane.
    bool IsSupported(const std::string& extension);
    void Preview(const std::string& fileName);
    void DoPreview(HBITMAP bitmap);
    void ClearPreview();
    // A preview is on show.
    bool PreviewShown() const { return previewShown_; }

private:
    void CreateComponents();
    void ApplyComponentSettings();
    // Reads an integer setting of the open key; its default when missing or not an integer.
    int ReadSetting(const char* name, int fallback);
    void LaunchEditor(const std::string& suffix);
    void PreviewSelection(kovalin::TListItem* item);

    std::vector<std::string> args_;
    std::unique_ptr<kovalin::TRegistry> registry_;
    bool previewShown_ = false;
    bool destroyed_ = false;
};

// The program's main window while it exists.
extern TfrmMain* frmMain;

} // namespace browser
