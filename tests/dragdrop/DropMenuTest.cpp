// The menu after a drag with the right button, read back from the real popup menu; ctest runs
// this group again under German, French, Spanish, Italian, Polish and Portuguese locales.
#include "tests/dragdrop/PeerFixture.h"

#include "dragdrop/DropMenu.h"

#include <cstdlib>
#include <functional>
#include <thread>

using namespace ddtest;
using namespace dragdrop;

namespace {

struct Captions {
    std::string copy, move, link, cancel;
};

// Typed here in each language's code page, apart from the product's table.
Captions Expected() {
    const char* env = std::getenv("KOVALIN_TEST_LANGUAGE");
    std::string lang = env ? env : "";
    if (lang == "de")
        return {"Hierher &kopieren", "Hierher &verschieben", "Verkn\xFCpfung(en) hier &erstellen",
                "&Abbrechen"};
    if (lang == "es") return {"&Copie aqu\xED", "&Mu\xE9vase aqu\xED", "&Atajo(s) crea aqu\xED ", "&Aborto"};
    if (lang == "fr")
        return {"&Copier ici", "&Transf\xE9rer ici",
                "&Cr\xE9"
                "er un ou des raccourci(s) ici",
                "&Arr\xEAt"};
    if (lang == "it") return {"&Copiare qui", "&Muoversi qui", "&Scorciatoia(e) crea qui", "&Terminazione"};
    if (lang == "pl")
        return {"&Kopiuj tutaj", "&Przenie\x9C tutaj", "Utw\xF3rz &skr\xF3t(y) tutaj", "&Anuluj"};
    if (lang == "pt")
        return {"&Cop\xED"
                "e aqui",
                "&Mova aqui",
                "&Atalho(s) cr\xED"
                "a aqui",
                "&Aborto"};
    return {"&Copy Here", "&Move Here", "&Shortcut(s) Create Here", "&Abort"};
}

struct MenuItem {
    UINT id;
    bool separator, isDefault;
    std::string text;
};

std::vector<MenuItem> ReadMenu(HMENU menu) {
    std::vector<MenuItem> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[256] = {};
        MENUITEMINFOA mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
        mi.dwTypeData = text;
        mi.cch = sizeof text;
        GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &mi);
        items.push_back({mi.wID, (mi.fType & MFT_SEPARATOR) != 0, (mi.fState & MFS_DEFAULT) != 0, text});
    }
    return items;
}

char Mnemonic(const std::string& caption) {
    size_t amp = caption.find('&');
    return amp == std::string::npos ? 0 : caption[amp + 1];
}

// Saves the screen when the run is asked for pictures.
void Screenshot(const char* name) {
    if (const char* dir = std::getenv("KOVALIN_SCREENSHOT_DIR"))
        RunUnixProgram(std::string("Z:\\usr\\bin\\import -window root ") + dir + "/" + name);
}

} // namespace

class DropMenuTest : public PeerFixture {
protected:
    std::vector<MenuItem> seen;
    int processed = 0;
    TDropEffects processedEffect = deNone;

    void SetUp() override {
        PeerFixture::SetUp();
        std::string f1 = temp / "m.txt";
        testsupport::WriteFileBytes(f1, "1");
        dd->SetTargetEffects(deCopy | deMove);
        dd->OnProcessDropped = [this](DWORD, POINT, TDropEffects e) {
            ++processed;
            processedEffect = e;
        };
        ASSERT_TRUE(StartPeer("source", "\"" + f1 + "\""));
    }

    // A right-button drag onto the panel; `choose` acts on the menu window once it shows.
    void RightDrag(const std::function<void(HWND)>& choose) {
        testsupport::WhenWindowAppears menu(
            "",
            [&](HWND h) {
                seen = ReadMenu(reinterpret_cast<HMENU>(SendMessageA(h, MN_GETHMENU, 0, 0)));
                if (std::getenv("KOVALIN_SCREENSHOT_DIR")) {
                    // The picture is taken while this thread keeps the menu painted.
                    std::thread shot([] {
                        Sleep(500);
                        Screenshot("drop-menu.png");
                    });
                    testsupport::PumpUntil([] { return false; }, 1500);
                    shot.join();
                }
                choose(h);
            },
            "#32768");
        InputScript input;
        input.MoveTo(OnPeer()).Down(true).MoveTo(OnPanel(180, 140), 10).Wait(300);
        input.Then([] { Screenshot("drag-in-progress.png"); }).Up(true);
        input.Start();
        ASSERT_TRUE(input.Finish());
        ASSERT_TRUE(testsupport::PumpUntil([&] { return menu.Fired(); }, 5000));
        ASSERT_TRUE(WaitPeerFile("result"));
        testsupport::PumpMessages(200);
    }
};

TEST_F(DropMenuTest, OffersMoveCopyAndCancelWithTheEffectAsDefault) {
    RightDrag([](HWND) { EndMenu(); });
    const Captions c = Expected();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].id, 1u);
    EXPECT_EQ(seen[0].text, c.move);
    EXPECT_FALSE(seen[0].isDefault);
    EXPECT_EQ(seen[1].id, 2u);
    EXPECT_EQ(seen[1].text, c.copy);
    EXPECT_TRUE(seen[1].isDefault);
    EXPECT_TRUE(seen[2].separator);
    EXPECT_EQ(seen[2].id, 4u);
    EXPECT_EQ(seen[3].id, 0u);
    EXPECT_EQ(seen[3].text, c.cancel);
    // Cancelled: nothing happens on either side.
    EXPECT_EQ(processed, 0);
    EXPECT_EQ(PeerFile("result").substr(0, 11), "00040100 0 ") << PeerFile("result");
}

TEST_F(DropMenuTest, TheChosenItemIsTheEffectOfTheDrop) {
    const Captions c = Expected();
    RightDrag([&](HWND h) { PostMessageA(h, WM_CHAR, static_cast<unsigned char>(Mnemonic(c.move)), 0); });
    ASSERT_TRUE(testsupport::PumpUntil([&] { return processed > 0; }, 3000));
    EXPECT_EQ(processedEffect, deMove);
    EXPECT_EQ(PeerFile("result").substr(0, 11), "00040100 2 ") << PeerFile("result");
}

TEST_F(DropMenuTest, CaptionsOfEveryLanguage) {
    // The process's own table follows the system locale it runs under.
    const Captions c = Expected();
    const TDropMenuCaptions& own = DropMenuCaptions();
    EXPECT_EQ(own.Copy, c.copy);
    EXPECT_EQ(own.Move, c.move);
    EXPECT_EQ(own.Link, c.link);
    EXPECT_EQ(own.Cancel, c.cancel);
    EXPECT_STREQ(DropMenuCaptionsFor(LANG_JAPANESE).Cancel, "&Abort");
    EXPECT_STREQ(DropMenuCaptionsFor(LANG_GERMAN).Cancel, "&Abbrechen");
    EXPECT_STREQ(DropMenuCaptionsFor(LANG_FRENCH).Cancel, "&Arr\xEAt");
}
