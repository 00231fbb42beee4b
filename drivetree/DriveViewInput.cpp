// The drive tree under the mouse and the keyboard: a press selects on release; keys open and close
// nodes.
#include "drivetree/DriveView.h"

#include <utility>

namespace drivetree {

LRESULT TDriveView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (LRESULT result = 0; EditMessage(msg, wParam, lParam, result)) return result;
    switch (msg) {
    case WM_LBUTTONDOWN:
        return LeftButtonDown(msg, wParam, lParam);
    case WM_MOUSEMOVE:
        if (followingMouse_) FollowMouse(lParam);
        break;
    case WM_LBUTTONUP: {
        if (followingMouse_) FollowMouse(lParam);
        LRESULT r = DefaultHandler(msg, wParam, lParam);
        if (!buttonUp_) ButtonReleased();
        return r;
    }
    case WM_CAPTURECHANGED:
        // Someone else took the mouse: the press ends without a choice.
        if (followingMouse_ && reinterpret_cast<HWND>(lParam) != Handle()) EndPress();
        break;
    case WM_KEYDOWN:
        swallowChar_ = 0;
        if (KeyDown(wParam)) return 0;
        break;
    case WM_CHAR:
        if (KeyChar(wParam)) return 0;
        break;
    }
    return TTreeView::WndProc(msg, wParam, lParam);
}

// The control follows a press itself until the button goes up or a drag begins, and then chooses
// the clicked node; it keeps the button-up to itself. So the release is seen either here, when
// the control has let go of the mouse, or as WM_LBUTTONUP when the tree still holds it.
LRESULT TDriveView::LeftButtonDown(UINT msg, WPARAM wParam, LPARAM lParam) {
    buttonUp_ = false;
    pressTarget_ = nullptr;
    LRESULT r = DefaultHandler(msg, wParam, lParam);
    if (!buttonUp_ && !followingMouse_ && GetCapture() != Handle()) ButtonReleased();
    return r;
}

bool TDriveView::CanChange(TTreeNode* node) {
    if (!buttonUp_ && node && NodeData(node) && NodeData(Selected())) {
        // Chosen with the mouse: shown now, selected when the button goes up.
        pressTarget_ = node;
        SetDropTarget(node);
        return false;
    }
    return TTreeView::CanChange(node);
}

// Dragging with the left button points at the folder to select (the highlight follows the mouse
// and the release selects what it shows) until the drag-and-drop component sees a real drag.
void TDriveView::BeginDrag(TTreeNode* node) {
    if (buttonUp_) return;
    ReportDragStart(1);
    followingMouse_ = true;
    SetCapture(Handle());
    if (node && !pressTarget_) {
        pressTarget_ = node;
        SetDropTarget(node);
    }
}

void TDriveView::FollowMouse(LPARAM lParam) {
    TTreeNode* node = GetNodeAt(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    if (!node || !NodeData(node) || node == pressTarget_) return;
    pressTarget_ = node;
    SetDropTarget(node);
}

void TDriveView::ButtonReleased() {
    buttonUp_ = true;
    if (followingMouse_) {
        followingMouse_ = false;
        if (GetCapture() == Handle()) ReleaseCapture();
    }
    TTreeNode* target = std::exchange(pressTarget_, nullptr);
    if (target) SetSelected(target);
    if (DropTarget()) SetDropTarget(nullptr);
}

void TDriveView::EndPress() {
    buttonUp_ = true;
    followingMouse_ = false;
    if (std::exchange(pressTarget_, nullptr) && DropTarget()) SetDropTarget(nullptr);
}

bool TDriveView::Editing() const {
    return SendMessageA(Handle(), TVM_GETEDITCONTROL, 0, 0) != 0;
}

bool TDriveView::KeyDown(WPARAM key) {
    if (Editing() || (key != VK_RETURN && key != VK_SPACE)) return false;
    if (TTreeNode* node = Selected()) {
        if (node->Expanded())
            node->Collapse(false);
        else
            node->Expand(false);
    }
    // Its character follows; it must not search the captions for a blank.
    swallowChar_ = key == VK_RETURN ? '\r' : ' ';
    return true;
}

bool TDriveView::KeyChar(WPARAM key) {
    if (std::exchange(swallowChar_, 0) == key && key != 0) return true;
    if (Editing()) return false;
    TTreeNode* node = Selected();
    if (key == '*') {
        if (node) node->MakeVisible();
        return false;
    }
    if (key == '/') {
        if (node) {
            node->Collapse(true);
            node->MakeVisible();
        }
        return true;
    }
    return false;
}

} // namespace drivetree
