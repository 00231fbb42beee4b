// A drive tree on a shown form, a stand-in file list linked to it, and a scratch folder, for the
// tests of the tree's folder work.
#pragma once

#include "drivetree/DriveView.h"
#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "shell/IEDriveInfo.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace treetest {

// Stands in for the file list: records what the tree asks of it.
class RecordingList : public drivetree::TLinkedFileList {
public:
    const std::string& Path() const override { return path; }
    void SetPath(const std::string& value) override { path = value; }
    void StartWatchThread() override {}
    void StopWatchThread() override {}
    void Reload(bool) override { ++reloads; }
    bool Loading() const override { return false; }
    void ClipboardEmptied() override { ++emptied; }
    void LastIOErrorChanged(unsigned long error) override { lastError = error; }
    drivetree::TFileListTree* DriveView() const override { return tree; }
    void DriveViewChanged(drivetree::TFileListTree* value) override { tree = value; }
    ~RecordingList() override { SetDriveView(nullptr); }

    drivetree::TFileListTree* tree = nullptr;
    std::string path;
    int reloads = 0, emptied = 0;
    unsigned long lastError = 12345;
};

inline void MakeDir(const std::string& path) {
    CreateDirectoryA(path.c_str(), nullptr);
}

inline bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline kovalin::TTreeNode* ChildNamed(kovalin::TTreeNode* parent, const std::string& text) {
    for (kovalin::TTreeNode* n = parent ? parent->GetFirstChild() : nullptr; n; n = n->GetNextSibling())
        if (n->Text() == text) return n;
    return nullptr;
}

// Saves the screen when the run is asked for pictures (KOVALIN_SCREENSHOT_DIR, a host folder), and
// returns when the picture is written; the calling thread's windows keep drawing meanwhile.
void Screenshot(const char* name);

class TreeFixture : public ::testing::Test {
protected:
    static constexpr int kFormX = 40, kFormY = 40, kFormW = 360, kFormH = 560;

    void SetUp() override {
        OleInitialize(nullptr);
        kovalin::Application().Initialize();
        form = std::make_unique<kovalin::TForm>(kovalin::TFormParams{.caption = "Folders",
                                                                     .left = kFormX,
                                                                     .top = kFormY,
                                                                     .clientWidth = kFormW,
                                                                     .clientHeight = kFormH});
        view = std::make_unique<drivetree::TDriveView>(
            *form, drivetree::TDriveView::Params{.width = kFormW, .height = kFormH, .hideSelection = false},
            drives);
        view->Loaded();
        list.SetDriveView(view.get());
        form->Show();
        SetForegroundWindow(form->Handle());
        testsupport::RunUntilIdle();
    }
    void TearDown() override {
        view.reset();
        form.reset();
        testsupport::RunUntilIdle();
        OleUninitialize();
    }

    // The scratch folder's node, opened, with the children given made first.
    kovalin::TTreeNode* Top(std::initializer_list<const char*> children = {}) {
        for (const char* c : children)
            MakeDir(temp / c);
        kovalin::TTreeNode* node = view->FindNodeToPath(temp.Path());
        EXPECT_NE(node, nullptr);
        if (!node) return nullptr;
        view->ValidateDirectory(node);
        // The tree always has a selection in the program; Wine's tree cannot clear a drop
        // highlight while it has none.
        if (!view->Selected()) view->SetSelected(node);
        node->Expand(false);
        node->MakeVisible();
        testsupport::RunUntilIdle();
        return node;
    }
    // The middle of the node's caption on the screen.
    POINT ScreenPointOf(kovalin::TTreeNode* node) const {
        RECT r = node->DisplayRect(true);
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(view->Handle(), &p);
        return p;
    }
    HWND EditBox() const {
        return reinterpret_cast<HWND>(SendMessageA(view->Handle(), TVM_GETEDITCONTROL, 0, 0));
    }

    testsupport::TempDir temp;
    shell::TDriveInfo drives;
    std::unique_ptr<kovalin::TForm> form;
    std::unique_ptr<drivetree::TDriveView> view;
    RecordingList list;
};

} // namespace treetest
