#include "tests/support/FileDialogDriver.h"

namespace testsupport {

namespace {

struct EditSearch {
    HWND found = nullptr;
};

BOOL CALLBACK FindEdit(HWND h, LPARAM p) {
    char cls[16];
    GetClassNameA(h, cls, sizeof cls);
    if (lstrcmpiA(cls, "Edit") != 0) return TRUE;
    reinterpret_cast<EditSearch*>(p)->found = h;
    return FALSE;
}

} // namespace

HWND FileDialogNameBox(HWND dialog) {
    // The name box is an edit control of its own (edt1) or one inside the name combo box (cmb13).
    if (HWND edit = GetDlgItem(dialog, 0x480)) return edit;
    EditSearch s;
    if (HWND combo = GetDlgItem(dialog, 0x47c))
        EnumChildWindows(combo, FindEdit, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

void ConfirmFileDialog(HWND dialog, const std::string& name) {
    SetWindowTextA(FileDialogNameBox(dialog), name.c_str());
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

void CancelFileDialog(HWND dialog) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
}

} // namespace testsupport
