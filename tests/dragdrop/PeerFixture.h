// A product window with a file drag-and-drop component on a panel, and the peer program in a
// second process beside it.
#pragma once

#include "dragdrop/DDInterfacedObject.h"
#include "dragdrop/DragDropFilesEx.h"
#include "kovalin/Application.h"
#include "kovalin/Form.h"
#include "kovalin/Panel.h"
#include "tests/dragdrop/InputScript.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace ddtest {

class PeerFixture : public ::testing::Test {
protected:
    static constexpr int kPeerX = 640, kPeerY = 60, kPeerSize = 300;

    testsupport::TempDir temp;
    // The peer writes elsewhere: shell id lists carry folder times, which its files would change.
    testsupport::TempDir peerOut;
    std::unique_ptr<kovalin::TForm> form;
    std::unique_ptr<kovalin::TPanel> panel;
    std::unique_ptr<dragdrop::TDragDropFilesEx> dd;
    std::unique_ptr<testsupport::ChildProcess> peer;
    std::string errors;

    void SetUp() override {
        kovalin::Application().Initialize();
        kovalin::TFormParams fp;
        fp.caption = "Drag test";
        fp.borderStyle = kovalin::TFormBorderStyle::bsSingle;
        fp.left = 60;
        fp.top = 60;
        fp.clientWidth = 400;
        fp.clientHeight = 300;
        form = std::make_unique<kovalin::TForm>(fp);
        kovalin::TPanel::Params pp;
        pp.width = 400;
        pp.height = 300;
        pp.caption = "Product panel";
        panel = std::make_unique<kovalin::TPanel>(*form, pp);
        form->Show();
        SetForegroundWindow(form->Handle());
        dd = std::make_unique<dragdrop::TDragDropFilesEx>();
        dd->SetDragDropControl(panel.get());
        dd->OnError = [this](const std::string& m) { errors += m; };
        testsupport::RunUntilIdle();
    }

    void TearDown() override {
        dd.reset();
        panel.reset();
        form.reset();
        peer.reset();
        testsupport::RunUntilIdle();
        // Every object of the drag is gone once the component is and the peer has let go.
        EXPECT_TRUE(
            testsupport::PumpUntil([] { return dragdrop::TDDInterfacedObject::LiveObjects() == 0; }, 3000))
            << dragdrop::TDDInterfacedObject::LiveObjects();
        // Let go of any button a failed script left down.
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_MOUSE;
        in[0].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        in[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
        SendInput(2, in, sizeof in[0]);
    }

    POINT OnPanel(int x, int y) const {
        POINT p{x, y};
        ClientToScreen(panel->Handle(), &p);
        return p;
    }
    static POINT OnPeer(int x = kPeerSize / 2, int y = kPeerSize / 2) {
        return POINT{kPeerX + x, kPeerY + y};
    }

    std::string Out() const { return peerOut / "peer"; }

    // Starts the peer as drop target or drag source (of `args`), waiting for its window.
    HWND StartPeer(const std::string& mode, const std::string& args = {}) {
        std::string cmd = "\"" + testsupport::ExeFolder() + "ddpeer.exe\" " + mode + " \"" + Out() + "\" " +
                          std::to_string(kPeerX) + " " + std::to_string(kPeerY) + " " +
                          std::to_string(kPeerSize) + " " + std::to_string(kPeerSize) + " " + args;
        peer = std::make_unique<testsupport::ChildProcess>(cmd);
        HWND h = peer->WaitForWindow(mode == "target" ? "DD Peer Target" : "DD Peer Source");
        testsupport::PumpMessages(200);
        return h;
    }

    std::string PeerFile(const std::string& suffix) const {
        std::string path = Out() + "." + suffix;
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
        return testsupport::ReadFileBytes(path);
    }
    bool WaitPeerFile(const std::string& suffix, DWORD timeoutMs = 10000) {
        return testsupport::PumpUntil([&] { return !PeerFile(suffix).empty(); }, timeoutMs);
    }
};

} // namespace ddtest
