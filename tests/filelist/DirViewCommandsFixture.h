// A file list on a form over a scratch folder, for the tests of the list's commands.
#pragma once

#include "filelist/DirView.h"
#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "shell/BaseUtils.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class DirViewCommandsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        kovalin::Application().Initialize();
        form = std::make_unique<kovalin::TForm>(
            kovalin::TFormParams{.caption = "Files", .clientWidth = 500, .clientHeight = 400});
        view = std::make_unique<filelist::TDirView>(
            *form,
            kovalin::TListView::Params{
                .width = 500, .height = 400, .viewStyle = kovalin::TViewStyle::vsReport, .multiSelect = true},
            drives);
        view->SetSortAfterUpdate(true);
        view->OnDirUpdated = [this](filelist::TDirView&) { ++updated; };
    }
    void TearDown() override {
        view.reset();
        form.reset();
    }

    void File(const std::string& name, const std::string& bytes = "x") const {
        testsupport::WriteFileBytes(dir / name, bytes);
    }
    void Folder(const std::string& name) const {
        ASSERT_TRUE(CreateDirectoryA((dir / name).c_str(), nullptr));
    }
    void Load() {
        if (view->Path() == dir.Path())
            view->Reload(false);
        else
            view->SetPath(dir.Path());
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (int i = 0; i < view->ItemCount(); ++i)
            out.push_back(view->ItemData(i)->FileName);
        return out;
    }
    std::vector<std::string> SelectedNames() const {
        std::vector<std::string> out;
        for (kovalin::TListItem* i = view->GetNextItem(nullptr, LVNI_SELECTED); i;
             i = view->GetNextItem(i, LVNI_SELECTED))
            out.push_back(filelist::TDirView::ItemData(i)->FileName);
        return out;
    }
    void Select(const std::vector<std::string>& names) {
        view->ClearSelection();
        for (const std::string& n : names)
            if (kovalin::TListItem* item = view->FindFileItem(n)) item->SetSelected(true);
    }

    shell::TDriveInfo drives;
    testsupport::TempDir dir;
    std::unique_ptr<kovalin::TForm> form;
    std::unique_ptr<filelist::TDirView> view;
    int updated = 0;
};
