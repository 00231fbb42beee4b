// A shown form with one hex view on it, and files to load into it.
#pragma once

#include "kovalin/Form.h"
#include "plugins/hex/hexeditor.h"
#include "tests/plugins/hex/HexInput.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <memory>

class HexFixture : public ::testing::Test {
protected:
    kovalin::TForm form{
        {.caption = "Hex test", .left = 40, .top = 40, .clientWidth = 760, .clientHeight = 420}};
    std::unique_ptr<kvhex::THexEditor> ed;
    testsupport::TempDir dir;

    void SetUp() override {
        ed = std::make_unique<kvhex::THexEditor>(
            form, kovalin::TDrawGrid::Params{.left = 0, .top = 0, .width = 760, .height = 420});
        ed->SetReadOnlyView(true);
        form.Show();
        testsupport::RunUntilIdle();
    }
    void TearDown() override { ed.reset(); }

    HWND H() const { return ed->Handle(); }
    // Writes the bytes to a file of the scratch folder and shows it.
    std::string Show(const std::string& bytes, const std::string& name = "data.bin") {
        std::string path = dir / name;
        testsupport::WriteFileBytes(path, bytes);
        EXPECT_TRUE(ed->LoadFromFile(path));
        testsupport::RunUntilIdle();
        return path;
    }
    std::string Text(int col, int64_t row) { return ed->CellLook(col, row).text; }
    int N() const { return ed->BytesPerLine(); }
    int CharCol(int64_t offset) const { return static_cast<int>(offset % N()) + 2 * N() + 3; }
    int HexCol(int64_t offset) const { return static_cast<int>(offset % N()) * 2 + 2; }
};
