#include "shell/PIDL.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

namespace shell {

using kovalin::ComPtr;

IMalloc* ShellMalloc() {
    static ComPtr<IMalloc> malloc = [] {
        ComPtr<IMalloc> m;
        if (FAILED(SHGetMalloc(m.put()))) m.reset();
        return m;
    }();
    return malloc.get();
}

LPITEMIDLIST PidlNext(LPCITEMIDLIST list) {
    if (!list || list->mkid.cb == 0) return nullptr;
    return reinterpret_cast<LPITEMIDLIST>(reinterpret_cast<BYTE*>(const_cast<LPITEMIDLIST>(list)) +
                                          list->mkid.cb);
}

UINT PidlSize(LPCITEMIDLIST list) {
    if (!list) return 0;
    UINT size = sizeof(USHORT); // the terminating zero count
    for (LPCITEMIDLIST p = list; p && p->mkid.cb; p = PidlNext(p))
        size += p->mkid.cb;
    return size;
}

LPITEMIDLIST PidlAlloc(UINT size) {
    IMalloc* m = ShellMalloc();
    void* p = m ? m->Alloc(size) : nullptr;
    if (p) std::memset(p, 0, size);
    return static_cast<LPITEMIDLIST>(p);
}

void PidlFree(LPITEMIDLIST list) {
    if (list && ShellMalloc()) ShellMalloc()->Free(list);
}

LPITEMIDLIST PidlCopy(LPCITEMIDLIST list) {
    if (!list) return nullptr;
    UINT size = PidlSize(list);
    LPITEMIDLIST copy = PidlAlloc(size);
    if (copy) std::memcpy(copy, list, size);
    return copy;
}

LPITEMIDLIST PidlConcat(LPCITEMIDLIST first, LPCITEMIDLIST second) {
    UINT a = first ? PidlSize(first) - sizeof(USHORT) : 0;
    UINT b = PidlSize(second);
    if (!second) b = sizeof(USHORT);
    LPITEMIDLIST out = PidlAlloc(a + b);
    if (!out) return nullptr;
    if (a) std::memcpy(out, first, a);
    if (second) std::memcpy(reinterpret_cast<BYTE*>(out) + a, second, b);
    return out;
}

bool PidlCompare(LPCITEMIDLIST a, LPCITEMIDLIST b) {
    if (!a || !b) return false;
    UINT size = PidlSize(a);
    return size == PidlSize(b) && std::memcmp(a, b, size) == 0;
}

void PidlSplit(LPCITEMIDLIST list, LPITEMIDLIST& parent, LPITEMIDLIST& item) {
    parent = item = nullptr;
    if (!list || list->mkid.cb == 0) return;
    LPCITEMIDLIST last = list;
    for (LPCITEMIDLIST p = PidlNext(list); p && p->mkid.cb; p = PidlNext(p))
        last = p;
    UINT head = static_cast<UINT>(reinterpret_cast<const BYTE*>(last) - reinterpret_cast<const BYTE*>(list));
    parent = PidlAlloc(head + sizeof(USHORT));
    if (parent && head) std::memcpy(parent, list, head);
    item = PidlCopy(last);
}

kovalin::ComPtr<IShellFolder> DesktopFolder() {
    ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.put()))) desktop.reset();
    return desktop;
}

static std::wstring Widen(const std::string& s) {
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
    w.resize(w.size() - 1);
    return w;
}

LPITEMIDLIST PidlFromName(IShellFolder* folder, const std::string& name) {
    if (!folder || name.empty()) return nullptr;
    std::wstring wide = Widen(name);
    LPITEMIDLIST pidl = nullptr;
    ULONG eaten = 0;
    if (FAILED(folder->ParseDisplayName(nullptr, nullptr, wide.data(), &eaten, &pidl, nullptr)))
        return nullptr;
    return pidl;
}

namespace {

// The entry's data handed to the shell's parser through a bind context; it lives as long as the
// context or the parser holds it.
class TListedEntry final : public IFileSystemBindData {
public:
    explicit TListedEntry(const WIN32_FIND_DATAW& data) : data_(data) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IFileSystemBindData) {
            *out = static_cast<IFileSystemBindData*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE SetFindData(const WIN32_FIND_DATAW* data) override {
        if (!data) return E_POINTER;
        data_ = *data;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFindData(WIN32_FIND_DATAW* data) override {
        if (!data) return E_POINTER;
        *data = data_;
        return S_OK;
    }

private:
    ~TListedEntry() = default;
    LONG refs_ = 1;
    WIN32_FIND_DATAW data_;
};

} // namespace

LPITEMIDLIST PidlFromListedEntry(IShellFolder* folder, const std::string& name, const std::string& shortName,
                                 DWORD attributes) {
    if (!folder || name.empty()) return nullptr;
    std::wstring wide = Widen(name);
    std::wstring wideShort = Widen(shortName);
    WIN32_FIND_DATAW data{};
    // Names the find data cannot hold are parsed from the disk as ever.
    if (wide.size() >= MAX_PATH || wideShort.size() >= std::size(data.cAlternateFileName))
        return PidlFromName(folder, name);
    data.dwFileAttributes = attributes;
    std::copy(wide.begin(), wide.end(), data.cFileName);
    std::copy(wideShort.begin(), wideShort.end(), data.cAlternateFileName);

    ComPtr<IBindCtx> context;
    if (FAILED(CreateBindCtx(0, context.put()))) return nullptr;
    ComPtr<IFileSystemBindData> entry(new TListedEntry(data)); // takes the first reference
    if (FAILED(context->RegisterObjectParam(const_cast<LPOLESTR>(STR_FILE_SYS_BIND_DATA), entry.get())))
        return nullptr;
    LPITEMIDLIST pidl = nullptr;
    ULONG eaten = 0;
    if (FAILED(folder->ParseDisplayName(nullptr, context.get(), wide.data(), &eaten, &pidl, nullptr)))
        return nullptr;
    return pidl;
}

LPITEMIDLIST PidlFromPath(const std::string& path) {
    ComPtr<IShellFolder> desktop = DesktopFolder();
    return PidlFromName(desktop.get(), path);
}

bool BindFolder(LPCITEMIDLIST list, ComPtr<IShellFolder>& folder) {
    folder.reset();
    ComPtr<IShellFolder> desktop = DesktopFolder();
    if (!desktop || !list) return false;
    if (list->mkid.cb == 0) {
        folder = desktop;
        return true;
    }
    return SUCCEEDED(desktop->BindToObject(list, nullptr, IID_IShellFolder, folder.put_void())) && folder;
}

bool StrRetToString(IShellFolder* folder, LPCITEMIDLIST item, DWORD flags, char* buffer, UINT size) {
    if (!buffer || size == 0) return false;
    buffer[0] = '\0';
    if (!folder || !item) return false;
    STRRET ret{};
    if (FAILED(folder->GetDisplayNameOf(item, flags, &ret))) return false;
    switch (ret.uType) {
    case STRRET_WSTR:
        WideCharToMultiByte(CP_ACP, 0, ret.pOleStr, -1, buffer, static_cast<int>(size), nullptr, nullptr);
        CoTaskMemFree(ret.pOleStr);
        break;
    case STRRET_OFFSET:
        lstrcpynA(buffer, reinterpret_cast<const char*>(item) + ret.uOffset, static_cast<int>(size));
        break;
    case STRRET_CSTR:
        lstrcpynA(buffer, ret.cStr, static_cast<int>(size));
        break;
    default:
        return false;
    }
    buffer[size - 1] = '\0';
    return true;
}

} // namespace shell
