#include "shell/ShellLink.h"

#include "kovalin/ComPtr.h"

#include <objidl.h>
#include <shlobj.h>

#include <vector>

namespace shell {

namespace {

// COM for the calling thread for as long as the object lives, when the thread has none yet; a
// thread that already has it (the program starts OLE on its user-interface thread) keeps its own.
class ComScope {
public:
    ComScope() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (initialized_) CoUninitialize();
    }

private:
    bool initialized_;
};

std::vector<wchar_t> Wide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) return {};
    std::vector<wchar_t> wide(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    return wide;
}

} // namespace

std::string ResolveShortcut(HWND owner, const std::string& linkFile) {
    const std::vector<wchar_t> wide = Wide(linkFile);
    if (wide.empty()) return std::string();

    ComScope com;
    kovalin::ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.put_void())))
        return std::string();
    kovalin::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) ||
        FAILED(file->Load(wide.data(), STGM_READ)))
        return std::string();
    // A target that cannot be found keeps the path stored in the shortcut, which the caller
    // checks anyway.
    link->Resolve(owner, SLR_NO_UI);
    char target[MAX_PATH] = "";
    if (link->GetPath(target, MAX_PATH, nullptr, 0) != S_OK) return std::string();
    return target;
}

bool CreateShortcut(const std::string& linkFile, const std::string& target, const std::string& workingFolder,
                    const std::string& description) {
    const std::vector<wchar_t> wide = Wide(linkFile);
    if (wide.empty()) return false;
    ComScope com;
    kovalin::ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.put_void())))
        return false;
    if (FAILED(link->SetPath(target.c_str())) || FAILED(link->SetWorkingDirectory(workingFolder.c_str())) ||
        FAILED(link->SetDescription(description.c_str())))
        return false;
    kovalin::ComPtr<IPersistFile> file;
    return SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put_void())) &&
           SUCCEEDED(file->Save(wide.data(), TRUE));
}

} // namespace shell
