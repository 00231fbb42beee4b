#include "kovalin/FileDialog.h"

#include "kovalin/Application.h"
#include "kovalin/Exceptions.h"

#include <commdlg.h>

#include <vector>

namespace kovalin {

namespace {

// "a|b|c|d" becomes "a\0b\0c\0d\0\0", as the system dialog reads it.
std::vector<char> FilterList(const std::string& filter) {
    std::vector<char> list(filter.begin(), filter.end());
    for (char& c : list)
        if (c == '|') c = '\0';
    list.push_back('\0');
    list.push_back('\0');
    return list;
}

DWORD Flags(TOpenOptions options) {
    DWORD f = OFN_EXPLORER;
    if (options.Contains(TOpenOption::ofOverwritePrompt)) f |= OFN_OVERWRITEPROMPT;
    if (options.Contains(TOpenOption::ofHideReadOnly)) f |= OFN_HIDEREADONLY;
    if (options.Contains(TOpenOption::ofNoChangeDir)) f |= OFN_NOCHANGEDIR;
    if (options.Contains(TOpenOption::ofPathMustExist)) f |= OFN_PATHMUSTEXIST;
    if (options.Contains(TOpenOption::ofFileMustExist)) f |= OFN_FILEMUSTEXIST;
    if (options.Contains(TOpenOption::ofCreatePrompt)) f |= OFN_CREATEPROMPT;
    if (options.Contains(TOpenOption::ofNoReadOnlyReturn)) f |= OFN_NOREADONLYRETURN;
    if (options.Contains(TOpenOption::ofEnableSizing)) f |= OFN_ENABLESIZING;
    return f;
}

HWND DefaultOwner() {
    HWND active = GetActiveWindow();
    if (active && GetWindowThreadProcessId(active, nullptr) == GetCurrentThreadId()) return active;
    return Application().Handle();
}

} // namespace

bool TFileDialog::Execute(HWND owner) {
    // Room for any path the system dialog may give back.
    std::vector<char> name(32768, '\0');
    FileName.copy(name.data(), name.size() - 1);
    std::vector<char> filter = FilterList(Filter);

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner ? owner : DefaultOwner();
    ofn.lpstrFilter = Filter.empty() ? nullptr : filter.data();
    ofn.nFilterIndex = static_cast<DWORD>(FilterIndex);
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
    ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
    ofn.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
    ofn.Flags = Flags(Options);

    if (!Run(ofn)) {
        // Cancelling is no error; a dialog that could not even be shown is.
        if (DWORD err = CommDlgExtendedError())
            throw Exception(Format("The file dialog could not be shown (error %lu)", err));
        return false;
    }
    FileName = name.data();
    FilterIndex = static_cast<int>(ofn.nFilterIndex);
    return true;
}

bool TOpenDialog::Run(OPENFILENAMEA& ofn) {
    return GetOpenFileNameA(&ofn) != FALSE;
}

bool TSaveDialog::Run(OPENFILENAMEA& ofn) {
    return GetSaveFileNameA(&ofn) != FALSE;
}

} // namespace kovalin
