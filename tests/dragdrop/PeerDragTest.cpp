// Real drags between the product's control and a second program, both ways, driven by input.
#include "tests/dragdrop/PeerFixture.h"

#include "dragdrop/FileFormats.h"

#include <cstring>

using namespace ddtest;
using namespace dragdrop;

namespace {

std::string Bytes(LPCITEMIDLIST p) {
    return std::string(reinterpret_cast<const char*>(p), shell::PidlSize(p));
}

uint32_t U32(const std::string& b, size_t at) {
    uint32_t v = 0;
    if (at + 4 <= b.size()) std::memcpy(&v, b.data() + at, 4);
    return v;
}

} // namespace

class PeerDragTest : public PeerFixture {};

TEST_F(PeerDragTest, FilesDraggedOutArriveInEveryFormat) {
    std::string a = temp / "A", b = temp / "B";
    CreateDirectoryA(a.c_str(), nullptr);
    CreateDirectoryA(b.c_str(), nullptr);
    std::vector<std::string> names = {a + "\\one.jpg", a + "\\two.jpg", a + "\\three.jpg", b + "\\four.jpg"};
    for (const std::string& n : names)
        testsupport::WriteFileBytes(n, "x");
    for (const std::string& n : names)
        dd->FileList().Add(n);
    dd->FileList().Item(1).MappedName = "Zwei.jpg";
    dd->SetSourceEffects(deCopy | deMove);
    dd->SetAutoDetectDnD(true);
    ASSERT_TRUE(StartPeer("target"));

    // What the lists look like now, before anything else changes the folders' times.
    shell::UniquePidl pa(shell::PidlFromPath(a)), pb(shell::PidlFromPath(b));
    std::vector<shell::UniquePidl> full;
    for (const std::string& n : names)
        full.emplace_back(shell::PidlFromPath(n));
    ASSERT_TRUE(pa && pb);

    InputScript input;
    input.MoveTo(OnPanel(100, 100)).Down().MoveTo(OnPanel(130, 110), 4).MoveTo(OnPeer(), 10).Wait(300).Up();
    input.Start();
    ASSERT_TRUE(input.Finish());
    ASSERT_TRUE(WaitPeerFile("done"));
    EXPECT_EQ(dd->LastDragResult(), TDragResult::drCopy);

    std::string formats = PeerFile("formats");
    EXPECT_NE(formats.find("CF_HDROP\n"), std::string::npos) << formats;
    EXPECT_NE(formats.find("Shell IDList Array\n"), std::string::npos) << formats;
    EXPECT_NE(formats.find("FileNameMapW\n"), std::string::npos) << formats;

    // The file-drop list: the 20-byte header, the names, one more zero.
    std::string expected("\x14\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 20);
    for (const std::string& n : names)
        expected += n + '\0';
    expected += '\0';
    std::string hdrop = PeerFile("hdrop");
    ASSERT_GE(hdrop.size(), expected.size());
    EXPECT_EQ(hdrop.substr(0, expected.size()), expected);

    // The id list array: four items, parent A before the first, parent B again before the fourth.
    std::string ids = PeerFile("idlist");
    ASSERT_EQ(U32(ids, 0), 4u);
    const uint32_t first = U32(ids, 4);
    EXPECT_EQ(first, 24u);
    EXPECT_EQ(ids.substr(first, Bytes(pa.get()).size()), Bytes(pa.get()));
    for (int i = 0; i < 4; ++i) {
        LPITEMIDLIST parent = nullptr, child = nullptr;
        shell::PidlSplit(full[i].get(), parent, child);
        shell::UniquePidl p(parent), c(child);
        uint32_t at = U32(ids, 8 + 4 * i);
        EXPECT_EQ(ids.substr(at, Bytes(c.get()).size()), Bytes(c.get())) << i;
        if (i == 3) {
            // The second folder's list sits right before its first item.
            std::string pbBytes = Bytes(pb.get());
            ASSERT_GE(at, pbBytes.size());
            EXPECT_EQ(ids.substr(at - pbBytes.size(), pbBytes.size()), pbBytes);
        }
    }
    // And a reader of ours takes the right parent for each.
    std::vector<shell::UniquePidl> back;
    ASSERT_TRUE(ParseIdListArray(ids, back));
    ASSERT_EQ(back.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(shell::PidlCompare(back[i].get(), full[i].get())) << i;

    // The wide name map: the mapped name, and the own names of the files without one.
    std::string mapw = PeerFile("mapw");
    std::wstring w = L"one.jpg";
    w += L'\0';
    w += L"Zwei.jpg";
    w += L'\0';
    w += L"three.jpg";
    w += L'\0';
    w += L"four.jpg";
    w += L'\0';
    w += L'\0';
    EXPECT_EQ(mapw, std::string(reinterpret_cast<const char*>(w.data()), w.size() * 2));
    EXPECT_EQ(errors, "");
}
