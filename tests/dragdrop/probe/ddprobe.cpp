// A folder drag-drop handler for the tests: it adds two items to the drop menu and, when one is
// chosen, writes what it was given into the target folder.
#include <windows.h>

#include <shlobj.h>

#include <cstdio>
#include <new>

namespace {

// {6A3F1B52-7C1E-4B7A-9E55-1D2C3B4A5F60}
const CLSID kProbeClass = {0x6a3f1b52, 0x7c1e, 0x4b7a, {0x9e, 0x55, 0x1d, 0x2c, 0x3b, 0x4a, 0x5f, 0x60}};
LONG g_objects = 0;

class Probe final : public IShellExtInit, public IContextMenu {
public:
    Probe() { InterlockedIncrement(&g_objects); }
    ~Probe() { InterlockedDecrement(&g_objects); }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IShellExtInit)
            *ppv = static_cast<IShellExtInit*>(this);
        else if (riid == IID_IContextMenu)
            *ppv = static_cast<IContextMenu*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (!n) delete this;
        return n;
    }
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY) override {
        if (!folder || !SHGetPathFromIDListA(folder, folder_)) return E_INVALIDARG;
        FORMATETC f{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM m{};
        if (data && SUCCEEDED(data->GetData(&f, &m))) {
            files_ = DragQueryFileA(static_cast<HDROP>(m.hGlobal), 0xFFFFFFFF, nullptr, 0);
            ReleaseStgMedium(&m);
        }
        return S_OK;
    }
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT first, UINT, UINT) override {
        InsertMenuA(menu, index, MF_BYPOSITION | MF_STRING, first, "Probe first");
        InsertMenuA(menu, index + 1, MF_BYPOSITION | MF_STRING, first + 1, "Probe second");
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2);
    }
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* ci) override {
        if (!ci || HIWORD(ci->lpVerb)) return E_INVALIDARG;
        char path[MAX_PATH + 32];
        std::snprintf(path, sizeof path, "%s\\probe-invoked.txt", folder_);
        FILE* f = std::fopen(path, "w");
        if (!f) return E_FAIL;
        std::fprintf(f, "cmd=%u files=%u size=%lu show=%d window=%d", LOWORD(ci->lpVerb), files_,
                     static_cast<unsigned long>(ci->cbSize), ci->nShow, ci->hwnd != nullptr);
        std::fclose(f);
        return S_OK;
    }
    STDMETHODIMP GetCommandString(UINT_PTR, UINT, UINT*, LPSTR, UINT) override { return E_NOTIMPL; }

private:
    LONG refs_ = 1;
    char folder_[MAX_PATH] = {};
    UINT files_ = 0;
};

class Factory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        Probe* p = new (std::nothrow) Probe;
        if (!p) return E_OUTOFMEMORY;
        HRESULT hr = p->QueryInterface(riid, ppv);
        p->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

} // namespace

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (clsid != kProbeClass) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

extern "C" HRESULT __stdcall DllCanUnloadNow() {
    return g_objects == 0 ? S_OK : S_FALSE;
}
