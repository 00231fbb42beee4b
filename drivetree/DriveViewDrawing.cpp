// How the drive tree shows its nodes: captions, icons, colours, the order of children, expansion.
#include "drivetree/DriveView.h"

#include "kovalin/ErrorMode.h"
#include "shell/BaseUtils.h"
#include "shell/UpdateBracket.h"

#include <commctrl.h>

namespace drivetree {

using kovalin::TTreeItemDraw;

std::string DirSizeText(int64_t bytes) {
    int64_t k = (bytes >= 1 && bytes <= 1023) ? 1 : bytes / 1024;
    if (k > 99999) return shell::FormatThousands(k / 1024) + "M";
    return shell::FormatThousands(k) + "K";
}

void TDriveView::RecaptionSubTree(TTreeNode* node) {
    shell::TUpdateBracket update(*this);
    IterateSubTree(node, itLoaded, true, [this](TTreeNode*& n) { return CallBackDisplayName(n); });
}

bool TDriveView::CallBackDisplayName(TTreeNode*& node) {
    if (!node) throw ENodeNotAssigned("CallBackDisplayName");
    std::string caption = GetDisplayName(node);
    if (caption != node->Text()) node->SetText(caption);
    return true;
}

// --- icons, captions, colours, order -------------------------------------------------------------

void TDriveView::StandardFolderImages(int& closed, int& open) {
    if (folderImage_ < 0) {
        SHFILEINFOA info{};
        UINT flags = SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
        folderImage_ =
            SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags) ? info.iIcon : 0;
        openFolderImage_ =
            SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags | SHGFI_OPENICON)
                ? info.iIcon
                : folderImage_;
    }
    closed = folderImage_;
    open = openFolderImage_;
}

void TDriveView::FetchIcons(TTreeNode* node, TNodeData& data) {
    kovalin::TErrorModeScope quiet;
    data.IconEmpty = false;
    char drive = GetDrive(node);
    if (!node->Parent()) {
        int image = (drive >= 'A' && drive <= 'Z') ? driveInfo_.GetImageIndex(drive) : 0;
        node->SetImageIndex(image);
        node->SetSelectedIndex(image);
        return;
    }
    ReadShellData(node, data);
    int closed, open;
    StandardFolderImages(closed, open);
    // A folder can have an icon of its own only through a desktop.ini, which the shell honours
    // for read-only and system folders; asking for any other folder's icon costs a lot on large
    // folders and gives the standard one.
    const DWORD kMayHaveOwnIcon =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT;
    if (GetDriveTypeToNode(node) != DRIVE_REMOTE && (data.Attr & kMayHaveOwnIcon)) {
        std::string path = GetDirPath(node);
        SHFILEINFOA info{};
        if (SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON) &&
            info.iIcon > 0 && info.iIcon < ImageList_GetImageCount(Images())) {
            closed = open = info.iIcon;
            if (SHGetFileInfoA(path.c_str(), 0, &info, sizeof info,
                               SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON) &&
                info.iIcon > 0 && info.iIcon < ImageList_GetImageCount(Images()))
                open = info.iIcon;
        }
    }
    node->SetImageIndex(closed);
    node->SetSelectedIndex(open);
}

void TDriveView::GetImageIndex(TTreeNode* node) {
    if (TNodeData* d = NodeData(node); d && d->IconEmpty) FetchIcons(node, *d);
    TTreeView::GetImageIndex(node);
}

void TDriveView::GetSelectedIndex(TTreeNode* node) {
    if (TNodeData* d = NodeData(node); d && d->IconEmpty) FetchIcons(node, *d);
    TTreeView::GetSelectedIndex(node);
}

std::string TDriveView::FolderCaption(const TNodeData& data) const {
    // Folder names of up to eight letters, the short names of old, are the ones worth recasing.
    return shell::DisplayedName(data.DirName, fileNameDisplay_, {.maxLength = 8, .keepBlankNames = false});
}

std::string TDriveView::DriveCaption(char drive) const {
    shell::TDriveInfoRec rec = driveInfo_.GetDriveData(drive);
    if (showVolLabel_ && !rec.PrettyName.empty()) {
        switch (volDisplayStyle_) {
        case shell::doDisplayName:
            return rec.DisplayName;
        case shell::doLongPrettyName:
            return rec.LongPrettyName;
        case shell::doPrettyName:
        default:
            return rec.PrettyName;
        }
    }
    return std::string(1, drive) + ":";
}

std::string TDriveView::GetDisplayName(TTreeNode* node) {
    if (!node) throw ENodeNotAssigned("GetDisplayName");
    TNodeData* d = NodeData(node);
    if (!d) return node->Text();
    std::string caption = node->Parent() ? FolderCaption(*d) : DriveCaption(GetDrive(node));
    if (showDirSize_) caption += " = " + DirSizeText(GetDirSize(node));
    return caption;
}

void TDriveView::CustomDrawItem(TTreeNode* node, TTreeItemDraw& draw) {
    TNodeData* d = NodeData(node);
    if (d && node != DropTarget()) {
        if (draw.state & CDIS_SELECTED) {
            // Asked of the system for the selected line only, not for every line drawn.
            if (!Focused() && HideSelection()) {
                draw.backColor = GetSysColor(COLOR_BTNFACE);
                draw.textColor = GetSysColor(COLOR_BTNTEXT);
            }
            // Otherwise the highlight keeps its own colours: a blue caption on a blue bar is gone.
            draw.bold = d->Bold && !(d->Attr & (FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_HIDDEN));
        } else if (d->Attr & FILE_ATTRIBUTE_COMPRESSED) {
            draw.textColor = compressedColor_;
        } else if (dimmHiddenDirs_ && (d->Attr & FILE_ATTRIBUTE_HIDDEN)) {
            draw.textColor = GetSysColor(COLOR_GRAYTEXT);
        } else if (d->Bold) {
            draw.textColor = colorBold_;
            draw.bold = true;
        }
    }
    TTreeView::CustomDrawItem(node, draw);
}

void TDriveView::SetBoldDraw(TTreeNode* node, bool bold) {
    if (!node) throw ENodeNotAssigned("SetBoldDraw");
    if (TNodeData* d = NodeData(node)) {
        d->Bold = bold;
        RECT r = node->DisplayRect(false);
        InvalidateRect(Handle(), &r, TRUE);
    }
}

bool TDriveView::SortChildren(TTreeNode* node, bool recurse) {
    if (!node) throw ENodeNotAssigned("SortChildren");
    bool ok = node->AlphaSort(false);
    if (recurse)
        for (TTreeNode* child = node->GetFirstChild(); child; child = child->GetNextSibling())
            if (child->Count() > 0) SortChildren(child, true);
    return ok;
}

void TDriveView::ExpandLevel(TTreeNode* node, int level) {
    if (!node) throw ENodeNotAssigned("ExpandLevel");
    shell::TUpdateBracket update(*this);
    IterateSubTree(node, itLoaded, true,
                   [this, level](TTreeNode*& n) { return CallBackExpandLevel(n, level); });
}

bool TDriveView::CallBackExpandLevel(TTreeNode*& node, int level) {
    if (!node) throw ENodeNotAssigned("CallBackExpandLevel");
    if (node->Level() <= level)
        node->Expand(false);
    else
        node->Collapse(false);
    return true;
}

} // namespace drivetree
