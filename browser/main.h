// The browser's one window: tool bar with the drive combo box, the drive tree above the preview
// pane on the left, the file list on the right, the status bar; its layout and last folder kept
// in the user's registry; the selected file previewed by the pane's host; and the launching of
// the image editor beside the program.
#pragma once

#include "browser/PreviewHost.h"
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
    // The keys of a file manager on the file list; true when the key was one of them.
    bool dirViewKeyDown(WPARAM key);
    void tbnOpenClick();
    void tbnFSClick();
    void tbnPrintClick();
    void dirViewSelectItemNew(kovalin::TListItem* item, bool selected);
    void splMainMoved();
    void splPreviewMoved();
    void drvViewChange(kovalin::TTreeNode* node);
    // The folder tree's keys: F2, Del, Ctrl+C / Ctrl+X / Ctrl+V, F5; true when the key was one.
    bool drvViewKeyDown(WORD key, bool ctrl);
    void appEventsHint();

    // The preview pane's host (TPreviewHost) through the window: whether an open plug-in is
    // registered for an extension; preview a file; draw a bitmap a plug-in returned (and delete
    // it); empty the pane; whether a preview is on show.
    bool IsSupported(const std::string& extension);
    void Preview(const std::string& fileName);
    void DoPreview(HBITMAP bitmap);
    void ClearPreview();
    bool PreviewShown() const;

private:
    void CreateComponents();
    void ApplyComponentSettings();
    // Reads an integer setting of the open key; its default when missing or not an integer.
    int ReadSetting(const char* name, int fallback);
    void LaunchEditor(const std::string& suffix);
    void PreviewSelection(kovalin::TListItem* item);

    std::vector<std::string> args_;
    std::unique_ptr<kovalin::TRegistry> registry_;
    std::unique_ptr<TPreviewHost> previewHost_;
    bool destroyed_ = false;
};

} // namespace browser
