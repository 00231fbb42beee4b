#include "filelist/DirView.h"
#include "kovalin/Exceptions.h"
#include "tests/filelist/DirViewCommandsFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace filelist;
using namespace kovalin;
using namespace testsupport;

namespace {

// The messages in the language the test runs in (KOVALIN_TEST_LANGUAGE = de or fr; ctest runs
// this group again under those locales).
struct Texts {
    std::string invalid, exists, failure, openFailure;
};

Texts ExpectedTexts() {
    const char* language = std::getenv("KOVALIN_TEST_LANGUAGE");
    const std::string lang = language ? language : "";
    if (lang == "de")
        return {
            "Dateiname enth\xE4lt ung\xFCltige Zeichen:", "Datei oder Verzeichnis ist bereits vorhanden: ",
            "Datei oder Verzeichnis kann nicht umbenannt werden: ",
            "Fehler \xD6"
            "ffnen der Datei: "};
    if (lang == "fr")
        return {"Le nom de fichier contient des caract\xE8res invalides:", "File allready exists: ",
                "Ne peux renommer le fichier: ", "Ne peux ouvrir le fichier: "};
    return {"Filename contains invalid characters:", "File allready exists: ",
            "Can't rename file or directory: ", "Can't open file: "};
}

class DirViewRenameTest : public DirViewCommandsFixture {
protected:
    HWND EditField() const {
        return reinterpret_cast<HWND>(SendMessageA(view->Handle(), LVM_GETEDITCONTROL, 0, 0));
    }
    // Starts editing the item's name as F2 does, types over it and presses Enter.
    void RenameTo(const std::string& name, const std::string& newName) {
        TListItem* item = view->FindFileItem(name);
        ASSERT_NE(item, nullptr);
        ASSERT_TRUE(view->EditItemName(*item));
        HWND edit = EditField();
        ASSERT_NE(edit, nullptr);
        SetWindowTextA(edit, newName.c_str());
        SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
        RunUntilIdle();
    }
    // The next error box: its text and buttons; answered with OK or Abort.
    struct Box {
        std::string text, ok, abort;
        bool errorIcon = false;
    };
    std::unique_ptr<WhenWindowAppears> AnswerBox(Box& seen, int button) {
        return std::make_unique<WhenWindowAppears>("Error", [&seen, button](HWND box) {
            seen.text = WindowText(GetDlgItem(box, 0xFFFF));
            seen.ok = WindowText(GetDlgItem(box, IDOK));
            seen.abort = WindowText(GetDlgItem(box, IDCANCEL));
            const HICON hand = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_HAND));
            for (HWND child : ChildWindows(box))
                if (ClassOf(child) == "Static" &&
                    reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)) == hand)
                    seen.errorIcon = true;
            PostMessageA(GetDlgItem(box, button), BM_CLICK, 0, 0);
        });
    }
};

TEST_F(DirViewRenameTest, RenameInPlaceRenamesOnDiskAndUpdatesTheItem) {
    File("old.txt", "content");
    File("locked.txt", "ro");
    SetFileAttributesA((dir / "locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    Folder("folder");
    Load();
    std::vector<std::string> events;
    view->OnBeginRename = [&](TDirView&, TListItem&, const std::string& n) {
        events.push_back("begin " + n);
    };
    view->OnEndRename = [&](TDirView&, TListItem&, const std::string& n) { events.push_back("end " + n); };

    RenameTo("old.txt", "new.jpg");
    EXPECT_EQ(ReadFileBytes(dir / "new.jpg"), "content");
    EXPECT_FALSE(shell::FileOrDirExists(dir / "old.txt"));
    TListItem* item = view->FindFileItem("new.jpg");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Caption(), "new.jpg");
    EXPECT_EQ(TDirView::ItemData(item)->FileExt, "JPG");
    EXPECT_EQ(events, (std::vector<std::string>{"begin new.jpg", "end new.jpg"}));
    EXPECT_TRUE(view->LoadEnabled());

    RenameTo("folder", "Folder 2");
    EXPECT_TRUE(shell::DirExists(dir / "Folder 2"));
    // A read-only file is renamed like any other and keeps its bytes.
    RenameTo("locked.txt", "still.txt");
    EXPECT_EQ(ReadFileBytes(dir / "still.txt"), "ro");
    // Renamed items keep their places until the next sort.
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "Folder 2", "still.txt", "new.jpg"}));
    SetFileAttributesA((dir / "still.txt").c_str(), FILE_ATTRIBUTE_NORMAL);

    // The ".." item is never edited.
    EXPECT_FALSE(view->EditItemName(view->Item(0)));
}

TEST_F(DirViewRenameTest, CharactersNoNameCanHoldAreRefused) {
    File("a.txt");
    Load();
    TListItem* item = view->FindFileItem("a.txt");
    ASSERT_TRUE(view->EditItemName(*item));
    HWND edit = EditField();
    SetWindowTextA(edit, "b");
    SendMessageA(edit, EM_SETSEL, 1, 1);
    for (char c : std::string("?*x"))
        SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 0);
    EXPECT_EQ(WindowText(edit), "bx");

    // Pasted in all the same: the invalid-name error and no rename.
    MessageBoxAnswerer answer;
    SetWindowTextA(edit, "what?.txt");
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    RunUntilIdle();
    ASSERT_EQ(answer.Boxes().size(), 1u);
    EXPECT_EQ(answer.Boxes()[0].text, ExpectedTexts().invalid + "  \\ / : * ? \" < > |");
    EXPECT_TRUE(shell::FileOrDirExists(dir / "a.txt"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "a.txt"}));
    EXPECT_TRUE(view->LoadEnabled());
}

TEST_F(DirViewRenameTest, ExistingNameAndVanishedFileOfferToEditAgain) {
    const Texts texts = ExpectedTexts();
    File("a.txt", "first");
    File("b.txt", "second");
    Load();
    Box seen;
    {
        auto answer = AnswerBox(seen, IDOK);
        RenameTo("a.txt", "b.txt");
        ASSERT_TRUE(PumpUntil([&] { return EditField() != nullptr; }, 5000));
    }
    EXPECT_EQ(seen.text, texts.exists + "b.txt");
    EXPECT_EQ(seen.ok, "OK");
    EXPECT_EQ(seen.abort, "Abort");
    EXPECT_TRUE(seen.errorIcon);
    EXPECT_EQ(ReadFileBytes(dir / "a.txt"), "first");
    EXPECT_EQ(ReadFileBytes(dir / "b.txt"), "second");
    EXPECT_EQ(view->FindFileItem("a.txt")->Caption(), "a.txt");
    // The rejected name is offered again in the edit field of the same item.
    HWND edit = EditField();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(WindowText(edit), "b.txt");
    EXPECT_EQ(view->ReEditName(), "b.txt");
    EXPECT_EQ(view->ItemFocused(), view->FindFileItem("a.txt"));
    // Taken up, the offer renames once the name is free.
    SetWindowTextA(edit, "free.txt");
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    RunUntilIdle();
    EXPECT_EQ(ReadFileBytes(dir / "free.txt"), "first");
    EXPECT_NE(view->FindFileItem("free.txt"), nullptr);

    // A file that vanished behind the list's back: the rename-failure text; Abort ends it.
    ASSERT_TRUE(DeleteFileA((dir / "free.txt").c_str()));
    Box gone;
    {
        auto answer = AnswerBox(gone, IDCANCEL);
        RenameTo("free.txt", "c.txt");
        ASSERT_TRUE(PumpUntil([&] { return !gone.text.empty(); }, 5000));
        PumpMessages(300);
    }
    EXPECT_EQ(gone.text, texts.failure + "c.txt");
    EXPECT_EQ(EditField(), nullptr);
    EXPECT_FALSE(shell::FileOrDirExists(dir / "c.txt"));
    EXPECT_EQ(ReadFileBytes(dir / "b.txt"), "second");
    EXPECT_TRUE(view->LoadEnabled());
}

TEST_F(DirViewRenameTest, AFileThatCannotBeOpenedNamesItsPath) {
    const Texts texts = ExpectedTexts();
    File("lost.txt");
    Load();
    TListItem* item = view->FindFileItem("lost.txt");
    ASSERT_TRUE(DeleteFileA((dir / "lost.txt").c_str()));
    try {
        view->ExecuteFile(*item);
        ADD_FAILURE() << "no error";
    } catch (const kovalin::Exception& e) {
        EXPECT_EQ(std::string(e.what()), texts.openFailure + (dir / "lost.txt"));
    }
}

} // namespace
