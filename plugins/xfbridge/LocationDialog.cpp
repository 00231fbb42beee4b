#include "plugins/xfbridge/LocationDialog.h"

#include "plugins/xfbridge/Module.h"
#include "plugins/xfbridge/resource.h"

#include <windows.h>

#include <commdlg.h>

#include <vector>

namespace xfbridge {

namespace {

struct DialogState {
    std::string path;
};

std::string ControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    std::string text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The system's open dialog for one "*.8bf" file, starting from "Prismatica.8bf".
void BrowseForFilter(HWND dialog) {
    std::vector<char> file(32768, '\0');
    lstrcpynA(file.data(), "Prismatica.8bf", static_cast<int>(file.size()));
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = "Prismatica\0*.8bf\0\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    if (GetOpenFileNameA(&ofn)) SetDlgItemTextA(dialog, IDC_LOCATION_PATH, file.data());
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        switch (msg) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lp);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wp)) {
            case IDC_LOCATION_BROWSE:
                BrowseForFilter(dialog);
                return TRUE;
            case IDOK:
                reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER))->path =
                    ControlText(dialog, IDC_LOCATION_PATH);
                EndDialog(dialog, IDOK);
                return TRUE;
            case IDCANCEL:
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
        }
    } catch (...) {
        EndDialog(dialog, IDCANCEL); // out of memory: nothing sensible to keep
    }
    return FALSE;
}

} // namespace

std::optional<std::string> AskFilterLocation() {
    DialogState state;
    INT_PTR result = DialogBoxParamA(ThisModule(), MAKEINTRESOURCEA(IDD_LOCATION), nullptr, DialogProc,
                                     reinterpret_cast<LPARAM>(&state));
    if (result != IDOK) return std::nullopt;
    return state.path;
}

} // namespace xfbridge
