#include "filelist/DirView.h"
#include "filelist/ListTexts.h"
#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace filelist;
using namespace kovalin;
using namespace testsupport;

namespace {

// What the control shows in a cell, asked the way it asks when it paints.
std::string CellText(const TListView& list, int item, int column) {
    char text[512] = "";
    LVITEMA it{};
    it.iSubItem = column;
    it.pszText = text;
    it.cchTextMax = sizeof text;
    SendMessageA(list.Handle(), LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it));
    return text;
}

class DirViewPresentationTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application().Initialize();
        form =
            std::make_unique<TForm>(TFormParams{.caption = "Files", .clientWidth = 600, .clientHeight = 300});
        view = std::make_unique<TDirView>(
            *form, TListView::Params{.width = 600, .height = 300, .viewStyle = TViewStyle::vsReport}, drives);
    }
    void TearDown() override {
        view.reset();
        form.reset();
    }
    void Load() {
        view->SetPath(dir.Path());
        RunUntilIdle();
    }
    int Index(const std::string& name) const {
        TListItem* item = view->FindFileItem(name);
        return item ? item->Index() : -1;
    }
    std::string Cell(const std::string& name, int column) const {
        return CellText(*view, Index(name), column);
    }

    shell::TDriveInfo drives;
    TempDir dir;
    std::unique_ptr<TForm> form;
    std::unique_ptr<TDirView> view;
};

// The expected texts of the language the test runs in (KOVALIN_TEST_LANGUAGE = de or fr; ctest
// runs this group again under those locales).
struct Expected {
    const char* columns[5];
    const char* fileType;
};

Expected ExpectedTexts() {
    const char* language = std::getenv("KOVALIN_TEST_LANGUAGE");
    std::string lang = language ? language : "";
    if (lang == "de")
        return {{"Name",
                 "Gr\xF6\xDF"
                 "e",
                 "Typ", "Ge\xE4ndert am", "Attr"},
                "Datei %s"};
    if (lang == "fr") return {{"Nom", "Taille", "Type", "Date", "Attributs"}, "Fichier %s"};
    return {{"Name", "Size", "Type", "Changed", "Attr"}, "File %s"};
}

TEST_F(DirViewPresentationTest, ColumnsAndTextsSpeakTheUsersLanguage) {
    const Expected expected = ExpectedTexts();
    ASSERT_EQ(view->ColumnCount(), 5);
    const int widths[] = {110, 80, 110, 130, 35};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(view->Column(i).Caption(), expected.columns[i]) << i;
        EXPECT_EQ(view->Column(i).Width(), widths[i]) << i;
    }
    EXPECT_EQ(view->Column(1).Alignment(), TAlignment::taRightJustify);
    EXPECT_EQ(ListText(DVT_FILE_TYPE), expected.fileType);
    // The ".." item's type is one fixed text in every language.
    Load();
    EXPECT_EQ(Cell("..", 2), "\xDC"
                             "bergeordneter Dateiordner");

    // The mask shows in the name column's header only when asked and not "*.*".
    view->SetShowMaskInHeader(true);
    EXPECT_EQ(view->Column(0).Caption(), expected.columns[0]);
    view->SetMask("*.jpg");
    EXPECT_EQ(view->Column(0).Caption(), std::string(expected.columns[0]) + " (*.jpg)");
    view->SetShowMaskInHeader(false);
    EXPECT_EQ(view->Column(0).Caption(), expected.columns[0]);

    // Widths the user dragged are kept when the columns are made again.
    view->Column(2).SetWidth(150);
    view->SetMultiSelect(!view->MultiSelect());
    EXPECT_EQ(view->ColWidthType(), 150);
    EXPECT_EQ(view->Column(2).Width(), 150);
}

TEST_F(DirViewPresentationTest, CellTextsComeFromTheRecordAtEachRequest) {
    WriteFileBytes(dir / "big.dat", std::string(1234567, 'x'));
    WriteFileBytes(dir / "AUTOEXEC.BAT", "x");
    WriteFileBytes(dir / "Long file name.TXT", "x");
    WriteFileBytes(dir / "README", "x");
    CreateDirectoryA((dir / "sub").c_str(), nullptr);
    SetFileAttributesA((dir / "README").c_str(), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
    Load();

    char sep[8] = "";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, sep, sizeof sep);
    EXPECT_EQ(Cell("big.dat", 1), std::string("1") + sep + "234" + sep + "567");
    // Groups of three from the right, at each count of digits that does or does not need one.
    for (const auto& [size, text] : std::vector<std::pair<int64_t, std::string>>{
             {0, "0"},
             {512, "512"},
             {1000, std::string("1") + sep + "000"},
             {123456, std::string("123") + sep + "456"},
             {123456789, std::string("123") + sep + "456" + sep + "789"}}) {
        const std::string name = "sized" + std::to_string(size) + ".dat";
        WriteSizedFile(dir / name, size);
        view->RefreshDirectory();
        EXPECT_EQ(Cell(name, 1), text) << size;
    }
    EXPECT_EQ(Cell("sub", 1), ""); // folders have no size without folder sizes
    EXPECT_EQ(Cell("AUTOEXEC.BAT", 0), "AUTOEXEC.BAT");

    // Attributes as letters; with a filler, at fixed places (compressed first on NT).
    EXPECT_EQ(Cell("README", 4), "ar");
    view->SetAttrSpace("-");
    EXPECT_EQ(Cell("README", 4), "-a--r");

    // The date column in the list's date format.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA((dir / "big.dat").c_str(), GetFileExInfoStandard, &data);
    EXPECT_EQ(Cell("big.dat", 3), view->FormatFileTime(data.ftLastWriteTime));
    EXPECT_FALSE(Cell("big.dat", 3).empty());

    // Names as the display rule shows them: short names nicely, long or blank names unchanged.
    view->SetFileNameDisplay(shell::fndNice);
    RunUntilIdle();
    EXPECT_EQ(Cell("AUTOEXEC.BAT", 0), "Autoexec.bat");
    EXPECT_EQ(Cell("Long file name.TXT", 0), "Long file name.TXT");
    view->SetFileNameDisplay(shell::fndCap);
    RunUntilIdle();
    EXPECT_EQ(Cell("README", 4), "-A--R");

    // Sorted by extension, the type column shows the extension, lower case for nice names.
    view->SetSortByExtension(true);
    EXPECT_EQ(Cell("AUTOEXEC.BAT", 2), "BAT");
    view->SetFileNameDisplay(shell::fndNice);
    RunUntilIdle();
    EXPECT_EQ(Cell("AUTOEXEC.BAT", 2), "bat");
    view->SetSortByExtension(false);

    // A file without extension and without a registered type.
    const std::string type = Cell("README", 2);
    EXPECT_FALSE(type.empty());
    EXPECT_EQ(TDirView::ItemData(view->FindFileItem("README"))->FileExt, "");

    // A request for an item that is gone answers nothing.
    EXPECT_EQ(CellText(*view, view->ItemCount() + 5, 0), "");
}

TEST_F(DirViewPresentationTest, TypesAreFetchedAtFirstDisplayAndCachedPerExtension) {
    for (const char* name : {"a.qqz", "b.qqz", "c.qqz", "tool.exe"})
        WriteFileBytes(dir / name, "x");
    view->SetUseIconCache(true);
    Load();
    // Loading asks the shell nothing.
    for (int i = 0; i < view->ItemCount(); ++i) {
        const TFileRec* rec = view->ItemData(i);
        if (rec->IsParentDir) continue;
        EXPECT_TRUE(rec->InfoPending) << rec->FileName;
    }

    const std::string a = Cell("a.qqz", 2);
    EXPECT_FALSE(a.empty());
    EXPECT_EQ(Cell("b.qqz", 2), a);
    EXPECT_EQ(Cell("c.qqz", 2), a);
    Cell("tool.exe", 2);
    // One record for the three qqz files; programs keep their own icons and stay out.
    EXPECT_EQ(view->TypeCacheCount(), 1);
    EXPECT_FALSE(view->ItemData(Index("b.qqz"))->InfoPending);
    EXPECT_EQ(view->ItemData(Index("b.qqz"))->ImageIndex, view->ItemData(Index("a.qqz"))->ImageIndex);
}

// The list style measures every name before it draws: that must not fetch every item's type and
// icon from the shell, only those of the rows drawn.
TEST_F(DirViewPresentationTest, ANameAskedForAloneFetchesNothingFromTheShell) {
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(CreateDirectoryA((dir / ("folder " + std::to_string(1000 + i))).c_str(), nullptr));
    view->SetViewStyle(TViewStyle::vsList);
    Load();
    form->Show();
    RunUntilIdle();
    int fetched = 0;
    for (int i = 0; i < view->ItemCount(); ++i)
        if (!view->ItemData(i)->IsParentDir && !view->ItemData(i)->InfoPending) ++fetched;
    EXPECT_GT(fetched, 0) << "the rows drawn";
    EXPECT_LT(fetched, 200);
    EXPECT_EQ(Cell("folder 1299", 0), "folder 1299");
    EXPECT_TRUE(view->ItemData(Index("folder 1299"))->InfoPending);
    EXPECT_FALSE(Cell("folder 1299", 2).empty()) << "the type is fetched when asked for";
    EXPECT_FALSE(view->ItemData(Index("folder 1299"))->InfoPending);
}

// A folder has an icon of its own only through its desktop.ini, which the shell honours for
// read-only and system folders: only those are asked of the shell by path (which costs lookups in
// the folder's parent); any other shows the generic folder. Either way a folder shows what the
// shell shows for it (an answer without a usable icon gives the generic folder too).
TEST_F(DirViewPresentationTest, FoldersShowTheShellsIconAskingOnlyForThoseThatMayHaveTheirOwn) {
    const std::string ini = "[.ShellClassInfo]\r\nIconResource=C:\\windows\\system32\\shell32.dll,12\r\n";
    const char* const names[] = {"plain", "plain with ini", "read-only with ini", "system with ini"};
    for (const char* name : names)
        ASSERT_TRUE(CreateDirectoryA((dir / name).c_str(), nullptr));
    for (const char* name : {"plain with ini", "read-only with ini", "system with ini"})
        WriteFileBytes(dir / name + "\\desktop.ini", ini);
    ASSERT_TRUE(SetFileAttributesA((dir / "read-only with ini").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA((dir / "system with ini").c_str(), FILE_ATTRIBUTE_SYSTEM));
    Load();

    SHFILEINFOA generic{};
    ASSERT_TRUE(
        SHGetFileInfoA((dir / "plain").c_str(), FILE_ATTRIBUTE_DIRECTORY, &generic, sizeof generic,
                       SHGFI_TYPENAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES));
    for (const char* name : names) {
        SCOPED_TRACE(name);
        SHFILEINFOA shown{};
        if (!SHGetFileInfoA((dir / name).c_str(), 0, &shown, sizeof shown,
                            SHGFI_TYPENAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON) ||
            shown.iIcon < 1)
            shown = generic;
        EXPECT_FALSE(Cell(name, 2).empty());
        const TFileRec* rec = view->ItemData(Index(name));
        ASSERT_FALSE(rec->IconPending);
        EXPECT_EQ(rec->ImageIndex, shown.iIcon);
        EXPECT_EQ(rec->TypeName, shown.szTypeName);
    }
    SetFileAttributesA((dir / "read-only with ini").c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA((dir / "system with ini").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(DirViewPresentationTest, NiceNamesAreForNamesOfUpToTwelveCharacters) {
    WriteFileBytes(dir / "ABCDEFGH.TXT", "x");  // 12
    WriteFileBytes(dir / "ABCDEFGHI.TXT", "x"); // 13
    WriteFileBytes(dir / "A.B", "x");
    Load();
    view->SetFileNameDisplay(shell::fndNice);
    RunUntilIdle();
    EXPECT_EQ(Cell("ABCDEFGH.TXT", 0), "Abcdefgh.txt");
    EXPECT_EQ(Cell("ABCDEFGHI.TXT", 0), "ABCDEFGHI.TXT");
    EXPECT_EQ(Cell("A.B", 0), "A.b");
}

TEST_F(DirViewPresentationTest, TheTypeCacheIsSortedWhenALoadEnds) {
    for (const char* name : {"a.qqz", "b.qqm", "c.qqa", "d.qqz"})
        WriteFileBytes(dir / name, "x");
    view->SetUseIconCache(true);
    Load();
    const std::string z = Cell("a.qqz", 2), m = Cell("b.qqm", 2), a = Cell("c.qqa", 2);
    ASSERT_EQ(view->TypeCacheCount(), 3);
    EXPECT_FALSE(view->TypeCacheSorted()) << "types met while drawing are appended";
    view->Reload(false);
    EXPECT_TRUE(view->TypeCacheSorted());
    // Found again by halving, each extension keeps its own type.
    EXPECT_EQ(Cell("d.qqz", 2), z);
    EXPECT_EQ(Cell("b.qqm", 2), m);
    EXPECT_EQ(Cell("c.qqa", 2), a);
    EXPECT_EQ(view->TypeCacheCount(), 3);
}

TEST_F(DirViewPresentationTest, UnregisteredTypesAreNamedInTheUsersLanguage) {
    // The recycle bin's items and files the shell knows no type for share this text.
    const std::string expected = ExpectedTexts().fileType;
    EXPECT_EQ(UnregisteredTypeName("QQX"), expected.substr(0, expected.size() - 2) + "QQX");
    EXPECT_EQ(UnregisteredTypeName(""), expected.substr(0, expected.size() - 2));
}

} // namespace
