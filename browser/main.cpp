#include "browser/main.h"

#include "browser/ToolImages.h"
#include "kovalin/Application.h"
#include "kovalin/Dialogs.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Handles.h"
#include "kovalin/Module.h"
#include "shell/BaseUtils.h"

#include <shellapi.h>

#include <algorithm>

namespace browser {

namespace {

const char kCaption[] = "Kovalin File Browser";

// Defaults of the stored layout.
constexpr int kDefaultTop = 65, kDefaultLeft = 60, kDefaultWidth = 500, kDefaultHeight = 350;
constexpr int kDefaultPanel = 185;

bool IsDirectory(const std::string& path) {
    DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

TfrmMain::TfrmMain(std::vector<std::string> args)
    : TForm(kovalin::TFormParams{.caption = kCaption,
                                 .borderStyle = kovalin::TFormBorderStyle::bsSizeable,
                                 .position = kovalin::TPosition::poDesigned,
                                 .left = 192,
                                 .top = 107}),
      args_(std::move(args)) {
    SetBounds(192, 107, 448, 343); // the design size; the stored layout replaces it
    CreateComponents();
    ApplyComponentSettings();
    FormCreate();
}

TfrmMain::~TfrmMain() {
    FormDestroy();
    kovalin::Application().OnHint = nullptr;
}

void TfrmMain::CreateComponents() {
    imlMain = std::make_unique<kovalin::TImageList>(kovalin::TImageList::Params{.width = 16, .height = 16});
    AddToolImages(*imlMain);

    tbrMain = std::make_unique<kovalin::TToolBar>(
        *this, kovalin::TToolBar::Params{
                   .height = 22, .buttonWidth = 99, .images = imlMain->Handle(), .caption = "Main ToolBar"});
    RECT slot = tbrMain->AddControlSlot(145);
    cbxDrives = std::make_unique<drivetree::TIEDriveComboBox>(
        *tbrMain,
        drivetree::TIECustomComboBox::Params{.left = static_cast<int>(slot.left),
                                             .top = static_cast<int>(slot.top),
                                             .width = 145,
                                             .height = 21},
        DriveInfo);
    tbrMain->AddSeparator(8); // Sep_1
    tbnNewFolder = &tbrMain->AddButton("New Folder", 0, "New Folder|Create new folder", true);
    tbrMain->AddSeparator(8); // Sep_2
    tbnOpen = &tbrMain->AddButton("Open in Vodedi", 1, "Open in Vodedi|Open in Kovalin Vodedi", false);
    tbnFS = &tbrMain->AddButton(
        "Full Screen", 2, "Full Screen|Launch Kovalin Vodedi with current image in Full Screen mode", false);
    tbnPrint = &tbrMain->AddButton("Print", 3, "Print|Print current image", false);
    tbrMain->AutoSize();
    // The combo sits centred on the bar.
    int comboTop = std::max(0, (tbrMain->Height() - cbxDrives->Height()) / 2);
    cbxDrives->SetBounds(static_cast<int>(slot.left), comboTop, 145, cbxDrives->Height());

    sbrMain = std::make_unique<kovalin::TStatusBar>(*this, kovalin::TStatusBar::Params{.height = 19});

    pnlLeft = std::make_unique<kovalin::TPanel>(
        *this, kovalin::TPanel::Params{
                   .width = kDefaultPanel, .caption = {}, .bevelOuter = kovalin::TPanelBevel::bvNone});
    pnlLeft->SetAlign(kovalin::TAlign::alLeft);
    pnlPreview = std::make_unique<kovalin::TPanel>(
        *pnlLeft, kovalin::TPanel::Params{.width = kDefaultPanel,
                                          .height = kDefaultPanel,
                                          .caption = kNoPreviewCaption,
                                          .bevelOuter = kovalin::TPanelBevel::bvNone});
    pnlPreview->SetAlign(kovalin::TAlign::alBottom);
    splPreview = std::make_unique<kovalin::TSplitter>(
        *pnlLeft, kovalin::TSplitter::Params{.align = kovalin::TAlign::alBottom, .size = 3});
    drvView = std::make_unique<drivetree::TDriveView>(*pnlLeft, drivetree::TDriveView::Params{.indent = 19},
                                                      DriveInfo);
    drvView->SetAlign(kovalin::TAlign::alClient);
    pnlSpacer = std::make_unique<kovalin::TPanel>(
        *pnlPreview,
        kovalin::TPanel::Params{.width = 3, .caption = {}, .bevelOuter = kovalin::TPanelBevel::bvNone});
    pnlSpacer->SetAlign(kovalin::TAlign::alLeft);
    imgPreview =
        std::make_unique<kovalin::TImage>(*pnlPreview, kovalin::TImage::Params{.width = 182, .height = 185});
    imgPreview->SetAlign(kovalin::TAlign::alClient);
    imgPreview->SetVisible(false);
    previewHost_ = std::make_unique<TPreviewHost>(*pnlPreview, *imgPreview);

    splMain = std::make_unique<kovalin::TSplitter>(
        *this, kovalin::TSplitter::Params{.align = kovalin::TAlign::alLeft, .size = 3});
    // Several files at once, as a file manager's user expects (Ctrl+A, Shift and Ctrl clicks).
    dirView = std::make_unique<filelist::TDirView>(
        *this, kovalin::TListView::Params{.viewStyle = kovalin::TViewStyle::vsList, .multiSelect = true},
        DriveInfo);
    dirView->SetAlign(kovalin::TAlign::alClient);
}

void TfrmMain::ApplyComponentSettings() {
    cbxDrives->SetDropDownFixedWidth(0);
    cbxDrives->SetDriveView(drvView.get());

    drvView->SetFullDriveScan(false);
    drvView->SetWatchDirectory(false);
    drvView->SetDimmHiddenDirs(true);
    drvView->SetShowDirSize(false);
    drvView->SetShowVolLabel(true);
    drvView->SetVolDisplayStyle(shell::doLongPrettyName);
    drvView->SetShowAnimation(false);
    drvView->SetFileNameDisplay(shell::fndStored);
    drvView->SetAutoExpand(true);
    drvView->OnChange = [this](kovalin::TTreeNode* node) { drvViewChange(node); };
    drvView->OnKeyDown = [this](drivetree::TDriveView&, WORD key, bool ctrl) {
        return drvViewKeyDown(key, ctrl);
    };

    dirView->SetSortColumn(0);
    dirView->SetColWidthName(110);
    dirView->SetColWidthType(110);
    dirView->SetColWidthAttr(35);
    dirView->SetDimmHiddenFiles(true);
    dirView->SetUseIconCache(false);
    dirView->SetShowMaskInHeader(false);
    dirView->SetDateTimeDisplay(filelist::TDateTimeDisplay::dtdDateTimeSec);
    dirView->SetFileNameDisplay(shell::fndStored);
    dirView->SetSelFileSizeFrom(0);
    dirView->SetSelFileTimeFrom(0);
    dirView->SetShowAnimation(false);
    dirView->SetMask("*.*");
    dirView->SetDriveView(drvView.get());
    dirView->OnSelectItemNew = [this](filelist::TDirView&, kovalin::TListItem* item, bool selected) {
        dirViewSelectItemNew(item, selected);
    };

    dirView->OnKeyDown = [this](filelist::TDirView&, WPARAM key, bool& handled) {
        handled = dirViewKeyDown(key);
    };

    tbnNewFolder->OnClick = [this] { tbnNewFolderClick(); };
    tbnOpen->OnClick = [this] { tbnOpenClick(); };
    tbnFS->OnClick = [this] { tbnFSClick(); };
    tbnPrint->OnClick = [this] { tbnPrintClick(); };
    // The editor's commands take the previewed file.
    previewHost_->OnShownChange = [this](bool shown) {
        tbnOpen->SetEnabled(shown);
        tbnFS->SetEnabled(shown);
        tbnPrint->SetEnabled(shown);
    };
    splMain->OnMoved = [this] { splMainMoved(); };
    splPreview->OnMoved = [this] { splPreviewMoved(); };
    kovalin::Application().OnHint = [this] { appEventsHint(); };
    // The file list has the keyboard when the window opens; closing the window ends the program.
    OnShow = [this] { dirView->SetFocus(); };
    OnClose = [] { kovalin::Application().Terminate(); };

    drvView->Loaded();
    cbxDrives->BuildItems();
}

// --- layout and folder ----------------------------------------------------------------------------

int TfrmMain::ReadSetting(const char* name, int fallback) {
    try {
        return registry_->ReadInteger(name);
    } catch (const kovalin::Exception&) {
        return fallback;
    }
}

void TfrmMain::FormCreate() {
    registry_ = std::make_unique<kovalin::TRegistry>();
    registry_->SetRootKey(HKEY_CURRENT_USER);
    bool open = false;
    try {
        open = registry_->OpenKey(kSettingsKey, true);
    } catch (const kovalin::Exception&) {
    }
    // Without the key every value takes its default.
    auto read = [&](const char* name, int fallback) { return open ? ReadSetting(name, fallback) : fallback; };
    int top = read("Top", kDefaultTop);
    int left = read("Left", kDefaultLeft);
    int width = read("Width", kDefaultWidth);
    int height = read("Height", kDefaultHeight);
    SetBounds(left, top, width, height);
    SetWindowState(read("State", 1) != 0 ? kovalin::TWindowState::wsMaximized
                                         : kovalin::TWindowState::wsNormal);
    pnlLeft->SetBounds(pnlLeft->Left(), pnlLeft->Top(), read("Vertical", kDefaultPanel), pnlLeft->Height());
    pnlPreview->SetBounds(pnlPreview->Left(), pnlPreview->Top(), pnlPreview->Width(),
                          read("Horizontal", kDefaultPanel));
    AlignControls();
    pnlLeft->AlignControls();

    std::string path;
    if (open) {
        try {
            path = registry_->ReadString("Path");
        } catch (const kovalin::Exception&) {
        }
    }
    if (path.empty()) path = "C:\\";

    std::string start =
        !args_.empty() && IsDirectory(args_[0]) ? args_[0] : shell::IncludeTrailingBackslash(path);
    if (kovalin::TTreeNode* node = drvView->FindNodeToPath(start)) drvView->SetSelected(node);
    dirView->RefreshDirectory();
    dirView->ResumeLoading(false);
    registry_->CloseKey();
}

void TfrmMain::FormDestroy() {
    if (destroyed_ || !registry_) return;
    destroyed_ = true;
    try {
        if (registry_->OpenKey(kSettingsKey, true)) {
            registry_->WriteInteger("State", WindowState() == kovalin::TWindowState::wsMaximized ? 1 : 0);
            RECT r{};
            GetWindowRect(Handle(), &r);
            registry_->WriteInteger("Top", r.top);
            registry_->WriteInteger("Left", r.left);
            registry_->WriteInteger("Width", r.right - r.left);
            registry_->WriteInteger("Height", r.bottom - r.top);
            registry_->WriteInteger("Vertical", pnlLeft->Width());
            registry_->WriteInteger("Horizontal", pnlPreview->Height());
            registry_->WriteString("Path", dirView->Path());
            registry_->CloseKey();
        }
    } catch (const kovalin::Exception&) {
        // A registry that refuses the settings loses them; the program still closes.
    }
    registry_.reset();
}

// --- commands ---------------------------------------------------------------------------------------

void TfrmMain::tbnNewFolderClick() {
    std::string name = "New Folder";
    if (kovalin::InputQuery(kCaption, "Type new folder name", name) && !name.empty())
        dirView->CreateDirectory(name);
}

bool TfrmMain::dirViewKeyDown(WPARAM key) {
    const bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0,
               alt = GetKeyState(VK_MENU) < 0;
    if (alt) return false;
    if (!ctrl) switch (key) {
        case VK_F2:
            if (kovalin::TListItem* item = dirView->ItemFocused(); item && item->Selected())
                dirView->EditItemName(*item);
            else if (kovalin::TListItem* selected = dirView->Selected())
                dirView->EditItemName(*selected);
            return true;
        case VK_DELETE:
            dirView->DeleteSelectedFiles(!shift);
            return true;
        case VK_F5:
            dirView->Reload(true);
            return true;
        case VK_BACK:
            if (shift) return false;
            dirView->GoToParentFolder();
            return true;
        }
    if (ctrl && !shift) switch (key) {
        case 'C':
            dirView->CopyToClipBoard();
            return true;
        case 'X':
            dirView->CutToClipBoard();
            return true;
        case 'V':
            dirView->PasteFromClipBoard();
            return true;
        case 'Z':
            dirView->UndoCopyMove();
            return true;
        case 'A':
            dirView->SelectAll();
            return true;
        }
    return false;
}

void TfrmMain::LaunchEditor(const std::string& suffix) {
    std::string program = kovalin::ModuleFolder(nullptr) + "vodedi.exe";
    std::string parameters = dirView->ItemFullFileName(dirView->Selected()) + suffix;
    ShellExecuteA(nullptr, "open", program.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

void TfrmMain::tbnOpenClick() {
    LaunchEditor("");
}
void TfrmMain::tbnFSClick() {
    LaunchEditor(" /fs");
}
void TfrmMain::tbnPrintClick() {
    LaunchEditor(" /print");
}

void TfrmMain::PreviewSelection(kovalin::TListItem* item) {
    std::string ext = dirView->ItemFileExt(item);
    if (ext.empty()) return;
    ext.erase(0, 1);
    if (IsSupported(ext))
        Preview(dirView->ItemFullFileName(item));
    else
        ClearPreview();
}

void TfrmMain::dirViewSelectItemNew(kovalin::TListItem* item, bool selected) {
    if (selected && item) PreviewSelection(item);
}

void TfrmMain::splMainMoved() {
    if (kovalin::TListItem* item = dirView->Selected())
        PreviewSelection(item);
    else
        ClearPreview();
}

void TfrmMain::splPreviewMoved() {
    splMainMoved();
}

void TfrmMain::drvViewChange(kovalin::TTreeNode*) {
    ClearPreview();
}

void TfrmMain::appEventsHint() {
    sbrMain->SetSimpleText(kovalin::GetLongHint(kovalin::Application().Hint()));
}

// --- preview ----------------------------------------------------------------------------------------

bool TfrmMain::IsSupported(const std::string& extension) {
    return TPreviewHost::IsSupported(extension);
}
void TfrmMain::Preview(const std::string& fileName) {
    previewHost_->Preview(fileName);
}
void TfrmMain::DoPreview(HBITMAP bitmap) {
    previewHost_->DoPreview(bitmap);
}
void TfrmMain::ClearPreview() {
    previewHost_->ClearPreview();
}
bool TfrmMain::PreviewShown() const {
    return previewHost_->PreviewShown();
}

// --- folder tree keys ------------------------------------------------------------------------------

bool TfrmMain::drvViewKeyDown(WORD key, bool ctrl) {
    kovalin::TTreeNode* node = drvView->Selected();
    if (ctrl) {
        switch (key) {
        case 'C':
            drvView->CopyToClipBoard();
            return true;
        case 'X':
            if (node) drvView->CutToClipBoard(node);
            return true;
        case 'V':
            drvView->PasteFromClipBoard();
            return true;
        }
        return false;
    }
    switch (key) {
    case VK_F2:
        if (node) drvView->EditNode(node);
        return true;
    case VK_DELETE:
        if (node) drvView->DeleteDirectory(node, true);
        return true;
    case VK_F5:
        drvView->RescanSelected();
        return true;
    }
    return false;
}

} // namespace browser
