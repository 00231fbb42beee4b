// File drag and drop without a drag loop: completing the file list, what NeedValid lets through,
// reading data back, malformed blocks, shell drop targets and the delete watch.
#include "dragdrop/DDInterfacedObject.h"
#include "dragdrop/DataObject.h"
#include "dragdrop/DragDropFilesEx.h"
#include "dragdrop/FileDeleteThread.h"
#include "dragdrop/FileFormats.h"
#include "dragdrop/GlobalMemory.h"
#include "dragdrop/ShellDropHandlers.h"
#include "kovalin/Application.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Form.h"
#include "kovalin/Panel.h"
#include "shell/ShellDialogs.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace dragdrop;
using kovalin::ComPtr;
using testsupport::TempDir;

namespace {

// Opens the component's protected steps to the tests.
class Probe : public TDragDropFilesEx {
public:
    using TDragDropFilesEx::CreateDataObject;
    using TDragDropFilesEx::DropAcceptable;
};

void SetGlobal(IDataObject* data, CLIPFORMAT format, const std::string& bytes) {
    FORMATETC f{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM m{TYMED_HGLOBAL, {nullptr}, nullptr};
    m.hGlobal = GlobalFromBytes(bytes);
    ASSERT_EQ(data->SetData(&f, &m, TRUE), S_OK);
}

std::string Wide(const std::wstring& w) {
    return std::string(reinterpret_cast<const char*>(w.data()), w.size() * 2);
}

} // namespace

class FilesExTest : public ::testing::Test {
protected:
    TempDir temp;
    std::string a = temp / "A", b = temp / "B";
    std::unique_ptr<Probe> dd;

    void SetUp() override {
        kovalin::Application().Initialize();
        CreateDirectoryA(a.c_str(), nullptr);
        CreateDirectoryA(b.c_str(), nullptr);
        for (const char* n : {"\\1.txt", "\\2.txt"}) {
            testsupport::WriteFileBytes(a + n, "a");
            testsupport::WriteFileBytes(b + n, "b");
        }
        dd = std::make_unique<Probe>();
    }
    void TearDown() override {
        dd.reset();
        panel.reset();
        form.reset();
        EXPECT_EQ(TDDInterfacedObject::LiveObjects(), 0);
    }

    std::unique_ptr<kovalin::TForm> form;
    std::unique_ptr<kovalin::TPanel> panel;

    // A shown form with a panel that the component serves as drop target.
    HWND DropPanel(const std::string& caption, TDropEffects effects) {
        kovalin::TFormParams fp;
        fp.caption = caption;
        form = std::make_unique<kovalin::TForm>(fp);
        panel = std::make_unique<kovalin::TPanel>(*form, kovalin::TPanel::Params{});
        form->Show();
        dd->SetDragDropControl(panel.get());
        dd->SetTargetEffects(effects);
        return panel->Handle();
    }
};

TEST_F(FilesExTest, CompletingFillsNamesAndIdListsAndTheReceiverGetsBothBack) {
    dd->FileList().Add(a + "\\1.txt");
    dd->FileList().Add(std::string(), shell::UniquePidl(shell::PidlFromPath(b + "\\2.txt")));
    dd->FileList().Add(a + "\\2.txt");
    ComPtr<IDataObject> data = dd->CreateDataObject();
    ASSERT_TRUE(data);
    EXPECT_EQ(dd->FileList().Item(1).Name, b + "\\2.txt");
    EXPECT_TRUE(dd->FileList().Item(0).Pidl);

    Probe receiver;
    receiver.ReadData(data.get());
    ASSERT_EQ(receiver.FileList().Count(), 3);
    EXPECT_FALSE(receiver.MappedNames());
    const std::string expected[] = {a + "\\1.txt", b + "\\2.txt", a + "\\2.txt"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(receiver.FileList().Item(i).Name, expected[i]);
        // Each item gets the parent written last before it: A, B, then A again.
        EXPECT_TRUE(
            shell::PidlCompare(receiver.FileList().Item(i).Pidl.get(), dd->FileList().Item(i).Pidl.get()))
            << i;
    }
}

TEST_F(FilesExTest, NeedValidStopsDragsWithItemsThatLackWhatItAsks) {
    // An empty list never drags.
    EXPECT_FALSE(dd->CreateDataObject());
    // My Computer has an id list but no path.
    LPITEMIDLIST drives = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives), S_OK);
    dd->FileList().Add(a + "\\1.txt");
    dd->FileList().Add(std::string(), shell::UniquePidl(drives));
    dd->SetNeedValid(nvFilename);
    EXPECT_FALSE(dd->CreateDataObject());
    // Without the need the id lists alone make the drag, with no file-drop list.
    dd->SetNeedValid(0);
    ComPtr<IDataObject> data = dd->CreateDataObject();
    ASSERT_TRUE(data);
    FORMATETC hdrop{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_NE(data->QueryGetData(&hdrop), S_OK);
    dd->SetNeedValid(nvPIDL);
    EXPECT_TRUE(dd->CreateDataObject());
    // Without completion a bare name has no id list.
    dd->FileList().Clear();
    dd->FileList().Add(a + "\\1.txt");
    dd->SetCompleteFileList(false);
    EXPECT_FALSE(dd->CreateDataObject());
}

TEST_F(FilesExTest, AcceptanceFollowsTheOfferedFormatsAndNeedValid) {
    ComPtr<TDataObject> empty(new TDataObject);
    EXPECT_FALSE(dd->DropAcceptable(empty.get()));
    ComPtr<TDataObject> idsOnly(new TDataObject);
    SetGlobal(idsOnly.get(), static_cast<CLIPFORMAT>(shell::ShellClipboardFormats().ShellIDListArray),
              std::string(8, '\0'));
    EXPECT_TRUE(dd->DropAcceptable(idsOnly.get()));
    dd->SetNeedValid(nvFilename);
    EXPECT_FALSE(dd->DropAcceptable(idsOnly.get()));
    ComPtr<TDataObject> names(new TDataObject);
    SetGlobal(names.get(), CF_HDROP, BuildFileDropList({a + "\\1.txt"}));
    EXPECT_TRUE(dd->DropAcceptable(names.get()));
    dd->SetNeedValid(nvFilename | nvPIDL);
    EXPECT_FALSE(dd->DropAcceptable(names.get()));
}

TEST_F(FilesExTest, NameMapsAreReadWideFirstAndMayNotOutnumberTheFiles) {
    const auto& cf = shell::ShellClipboardFormats();
    ComPtr<TDataObject> data(new TDataObject);
    SetGlobal(data.get(), CF_HDROP, BuildFileDropList({a + "\\1.txt", a + "\\2.txt"}));
    SetGlobal(data.get(), static_cast<CLIPFORMAT>(cf.FileNameMap), std::string("ansi1\0ansi2\0\0", 13));
    dd->ReadData(data.get());
    ASSERT_EQ(dd->FileList().Count(), 2);
    EXPECT_TRUE(dd->MappedNames());
    EXPECT_EQ(dd->FileList().Item(1).MappedName, "ansi2");
    SetGlobal(data.get(), static_cast<CLIPFORMAT>(cf.FileNameMapW), Wide(std::wstring(L"wide1\0\0", 7)));
    dd->ReadData(data.get());
    EXPECT_EQ(dd->FileList().Item(0).MappedName, "wide1");
    EXPECT_EQ(dd->FileList().Item(1).MappedName, "");

    SetGlobal(data.get(), static_cast<CLIPFORMAT>(cf.FileNameMapW), Wide(std::wstring(L"x\0y\0z\0\0", 7)));
    try {
        dd->ReadData(data.get());
        FAIL();
    } catch (const kovalin::Exception& e) {
        EXPECT_STREQ(e.what(), "A non-existing filename is mapped");
    }
}

TEST_F(FilesExTest, MalformedBlocksAreRefusedNotOverrun) {
    std::vector<std::string> names;
    std::string list = BuildFileDropList({"C:\\x"});
    EXPECT_TRUE(ParseFileDropList(list, names));
    EXPECT_FALSE(ParseFileDropList(list.substr(0, list.size() - 1), names)); // no closing zero
    std::string beyond = list;
    beyond[0] = '\x7F'; // names past the end
    EXPECT_FALSE(ParseFileDropList(beyond, names));
    EXPECT_FALSE(ParseFileDropList(std::string(19, '\0'), names));
    // Wide names, as other programs send them.
    std::string wide(20, '\0');
    wide[0] = 20;
    wide[16] = 1;
    wide += Wide(std::wstring(L"C:\\w\0\0", 6));
    ASSERT_TRUE(ParseFileDropList(wide, names));
    EXPECT_EQ(names, std::vector<std::string>{"C:\\w"});

    std::vector<shell::UniquePidl> lists;
    std::string count(4, '\0');
    count[0] = '\xFF'; // far more items than the block has room for
    EXPECT_FALSE(ParseIdListArray(count + std::string(8, '\0'), lists));
    shell::UniquePidl p(shell::PidlFromPath(a + "\\1.txt"));
    std::string good = BuildIdListArray({p.get()});
    ASSERT_TRUE(ParseIdListArray(good, lists));
    std::string bad = good;
    bad[8] = '\x70'; // the item's offset points outside
    EXPECT_FALSE(ParseIdListArray(bad, lists));
    EXPECT_FALSE(ParseIdListArray(good.substr(0, good.size() - 1), lists)); // cut short
    EXPECT_FALSE(ParseNameMap(std::string("abc", 3), false, names));
}

TEST_F(FilesExTest, AFolderTakesADropThroughItsOwnDropTarget) {
    TDropEffects effect = deLink;
    EXPECT_TRUE(dd->DropTargetItem(nullptr, b, effect));
    EXPECT_EQ(effect, deNone); // link alone is taken away
    effect = deCopy | deLink;
    EXPECT_TRUE(dd->DropTargetItem(nullptr, b, effect));
    EXPECT_EQ(effect, deCopy | deLink);
    EXPECT_FALSE(dd->DropTargetItem(nullptr, temp / "missing", effect));

    HWND target = DropPanel("Drop onto a folder", deCopy);
    dd->SetShellExtensions({false, true});
    POINT asked{};
    const std::string c = temp / "C";
    CreateDirectoryA(c.c_str(), nullptr);
    dd->OnSpecifyDropTarget = [&](bool handlers, POINT p, shell::UniquePidl&, std::string& name) {
        if (!handlers) name = c;
        asked = p;
    };
    int handled = 0, processed = 0;
    dd->OnDropHandlerSucceeded = [&](DWORD, POINT, TDropEffects) { ++handled; };
    dd->OnProcessDropped = [&](DWORD, POINT, TDropEffects) { ++processed; };

    Probe source;
    source.FileList().Add(a + "\\1.txt");
    ComPtr<IDataObject> data = source.CreateDataObject();
    ASSERT_TRUE(data);
    POINT screen{10, 12};
    ClientToScreen(target, &screen);
    POINTL pt{screen.x, screen.y};
    DWORD e = deCopy;
    ASSERT_EQ(dd->DropTarget()->DragEnter(data.get(), 0, pt, &e), S_OK);
    EXPECT_EQ(e, deCopy);
    e = deCopy;
    ASSERT_EQ(dd->DropTarget()->Drop(data.get(), 0, pt, &e), S_OK);
    testsupport::RunUntilIdle();
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(processed, 0);
    EXPECT_EQ(asked.x, 10);
    EXPECT_EQ(asked.y, 12);
    // The shell's folder object took it (this one accepts and copies nothing under Wine, so the
    // folder's contents are not checked here).
}

TEST_F(FilesExTest, TheDeleteWatchReportsFilesRemovedElsewhereAndEnds) {
    std::vector<std::string> paths = {a + "\\1.txt", a + "\\2.txt", b + "\\1.txt"};
    std::vector<std::string> gone;
    bool onUiThread = true;
    const DWORD ui = GetCurrentThreadId();
    TFileDeleteThread* t = TFileDeleteThread::Start(paths, [&](const std::vector<std::string>& g) {
        onUiThread = onUiThread && GetCurrentThreadId() == ui;
        gone.insert(gone.end(), g.begin(), g.end());
    });
    // Another process removes two of them.
    testsupport::ChildProcess del("cmd.exe /c del \"" + paths[0] + "\" \"" + paths[2] + "\"");
    EXPECT_EQ(del.WaitForExit(10000), 0u);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return gone.size() == 2; }, 5000));
    EXPECT_EQ(gone, (std::vector<std::string>{paths[0], paths[2]}));
    EXPECT_TRUE(TFileDeleteThread::Running(t));
    DeleteFileA(paths[1].c_str());
    // All gone: the thread reports the last one and frees itself.
    ASSERT_TRUE(testsupport::PumpUntil([&] { return !TFileDeleteThread::Running(t); }, 5000));
    EXPECT_EQ(gone.size(), 3u);
    EXPECT_TRUE(onUiThread);
}

TEST_F(FilesExTest, TheDeleteWatchEndsAtItsTimeOutOrWhenStopped) {
    std::vector<std::string> gone;
    const DWORD start = GetTickCount();
    TFileDeleteThread* t = TFileDeleteThread::Start(
        {a + "\\1.txt"}, [&](auto& g) { gone = g; }, 1200);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return !TFileDeleteThread::Running(t); }, 6000));
    const DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 1000u); // not before its time-out
    EXPECT_TRUE(gone.empty());

    TFileDeleteThread* stopped = TFileDeleteThread::Start({a + "\\2.txt"}, nullptr);
    testsupport::PumpMessages(100);
    stopped->Stop();
    ASSERT_TRUE(testsupport::PumpUntil([&] { return TFileDeleteThread::RunningCount() == 0; }, 2000));
    TFileDeleteThread::Start({a + "\\2.txt"}, nullptr);
    TFileDeleteThread::StopAll();
    EXPECT_EQ(TFileDeleteThread::RunningCount(), 0);
}

namespace {

const char kProbeClassText[] = "{6A3F1B52-7C1E-4B7A-9E55-1D2C3B4A5F60}";

// The test handler's registration under the classes root, removed again at the end.
class ProbeRegistration {
public:
    ProbeRegistration() {
        const std::string server = std::string("CLSID\\") + kProbeClassText + "\\InprocServer32";
        const std::string dll = testsupport::ExeFolder() + "ddprobe.dll";
        ok_ = Set(server, "", dll) && Set(server, "ThreadingModel", "Apartment") &&
              Set(std::string(kFolderDragDropHandlersKey) + "\\KovalinProbe", "", kProbeClassText);
    }
    ~ProbeRegistration() {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kProbeClassText).c_str());
        RegDeleteTreeA(HKEY_CLASSES_ROOT,
                       (std::string(kFolderDragDropHandlersKey) + "\\KovalinProbe").c_str());
    }
    bool Ok() const { return ok_; }

private:
    static bool Set(const std::string& key, const char* name, const std::string& value) {
        HKEY h = nullptr;
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) !=
            ERROR_SUCCESS)
            return false;
        LONG r = RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>(value.size() + 1));
        RegCloseKey(h);
        return r == ERROR_SUCCESS;
    }
    bool ok_ = false;
};

} // namespace

TEST_F(FilesExTest, FolderHandlersAddTheirItemsToTheDropMenuAndRunTheChosenOne) {
    ProbeRegistration probe;
    ASSERT_TRUE(probe.Ok());
    const std::string c = temp / "C";
    CreateDirectoryA(c.c_str(), nullptr);
    HWND target = DropPanel("Drop menu with handlers", deCopy | deMove);
    dd->SetShellExtensions({true, false});
    dd->OnSpecifyDropTarget = [&](bool handlers, POINT, shell::UniquePidl&, std::string& name) {
        if (handlers) name = c;
    };
    int succeeded = 0, processed = 0, ownCommands = 0;
    dd->OnMenuSucceeded = [&](DWORD, POINT) { ++succeeded; };
    dd->OnProcessDropped = [&](DWORD, POINT, TDropEffects) { ++processed; };
    dd->OnMenuExecCmd = [&](HMENU, IDataObject*, UINT, DWORD, POINT, bool&) { ++ownCommands; };

    std::vector<std::pair<UINT, std::string>> items;
    testsupport::WhenWindowAppears menu(
        "",
        [&](HWND h) {
            HMENU m = reinterpret_cast<HMENU>(SendMessageA(h, MN_GETHMENU, 0, 0));
            for (int i = 0; i < GetMenuItemCount(m); ++i) {
                char text[128] = {};
                GetMenuStringA(m, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
                items.emplace_back(GetMenuItemID(m, i), text);
            }
            // Down to the handler's second item, then choose it.
            for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN})
                PostMessageA(h, WM_KEYDOWN, key, 0);
        },
        "#32768");

    Probe source;
    source.FileList().Add(a + "\\1.txt");
    source.FileList().Add(a + "\\2.txt");
    ComPtr<IDataObject> data = source.CreateDataObject();
    ASSERT_TRUE(data);
    POINT screen{20, 20};
    ClientToScreen(target, &screen);
    POINTL pt{screen.x, screen.y};
    DWORD e = deCopy | deMove;
    ASSERT_EQ(dd->DropTarget()->DragEnter(data.get(), MK_RBUTTON, pt, &e), S_OK);
    e = deCopy | deMove;
    ASSERT_EQ(dd->DropTarget()->Drop(data.get(), 0, pt, &e), S_OK);
    testsupport::RunUntilIdle();

    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0], (std::pair<UINT, std::string>{10, "Probe first"}));
    EXPECT_EQ(items[1], (std::pair<UINT, std::string>{11, "Probe second"}));
    EXPECT_EQ(items[2].first, 1u);
    EXPECT_EQ(items[3].first, 2u);
    EXPECT_EQ(items[5].first, 0u);
    // The handler ran its second command with the dragged files; the drop itself did nothing more.
    EXPECT_EQ(e, deNone);
    EXPECT_EQ(succeeded, 1);
    EXPECT_EQ(processed, 0);
    EXPECT_EQ(ownCommands, 0);
    const std::string record = testsupport::ReadFileBytes(c + "\\probe-invoked.txt");
    EXPECT_EQ(record,
              "cmd=1 files=2 size=" + std::to_string(sizeof(CMINVOKECOMMANDINFO)) + " show=1 window=1");
}

TEST_F(FilesExTest, TheDataIsTakenWhenRenderDataOnSays) {
    DropPanel("Render modes", deCopy);
    int processed = 0, countAtProcess = -1;
    dd->OnProcessDropped = [&](DWORD, POINT, TDropEffects) {
        ++processed;
        countAtProcess = dd->FileList().Count();
    };
    Probe source;
    source.FileList().Add(a + "\\1.txt");
    ComPtr<IDataObject> data = source.CreateDataObject();
    ASSERT_TRUE(data);
    POINTL pt{0, 0};
    auto enterAndDrop = [&](TRenderDataOn mode, int& afterEnter, int& afterDrop) {
        dd->FileList().Clear();
        dd->SetRenderDataOn(mode);
        DWORD e = deCopy;
        dd->DropTarget()->DragEnter(data.get(), 0, pt, &e);
        afterEnter = dd->FileList().Count();
        dd->FileList().Clear();
        e = deCopy;
        dd->DropTarget()->Drop(data.get(), 0, pt, &e);
        afterDrop = dd->FileList().Count();
        testsupport::RunUntilIdle();
    };
    int enter = 0, drop = 0;
    enterAndDrop(TRenderDataOn::rdoEnter, enter, drop);
    EXPECT_EQ(enter, 1);
    EXPECT_EQ(drop, 0);
    EXPECT_EQ(countAtProcess, 0);
    enterAndDrop(TRenderDataOn::rdoDropSync, enter, drop);
    EXPECT_EQ(enter, 0);
    EXPECT_EQ(drop, 1);
    // Asynchronous: taken only when the posted step runs, after the drop call has returned.
    enterAndDrop(TRenderDataOn::rdoEnterAndDropAsync, enter, drop);
    EXPECT_EQ(enter, 1);
    EXPECT_EQ(drop, 0);
    EXPECT_EQ(countAtProcess, 1);
    enterAndDrop(TRenderDataOn::rdoNever, enter, drop);
    EXPECT_EQ(enter + drop + countAtProcess, 0);
    EXPECT_EQ(processed, 4);
}
