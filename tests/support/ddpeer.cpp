// The other side of drag-and-drop tests: a separate program that is a plain OLE drop target
// (writing every file format it receives to files) or a plain drag source of files, and that
// reads or fills the clipboard. It uses the system interfaces directly, none of the product's.
//
//   ddpeer target <out> <x> <y> <w> <h>        drop target; <out>.formats, <out>.hdrop, ...
//   ddpeer source <out> <x> <y> <w> <h> [--map name...] [--] file...
//                                              a press in the window drags the files
//   ddpeer clipdump <out>                      the clipboard's file formats to files
//   ddpeer clipput file...                     files onto the clipboard, kept after exit
#include <windows.h>

#include <ole2.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string g_out;
std::vector<std::string> g_files, g_map;
DWORD g_feedbackSeen = 0;
DWORD g_keysSeen = 0;

void WriteFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::string FormatName(CLIPFORMAT cf) {
    if (cf == CF_HDROP) return "CF_HDROP";
    char name[256] = {};
    if (GetClipboardFormatNameA(cf, name, sizeof name) > 0) return name;
    std::snprintf(name, sizeof name, "#%u", static_cast<unsigned>(cf));
    return name;
}

// The short file suffix for a format of interest, or empty.
std::string Suffix(const std::string& name) {
    if (name == "CF_HDROP") return "hdrop";
    if (name == "Shell IDList Array") return "idlist";
    if (name == "FileNameMap") return "map";
    if (name == "FileNameMapW") return "mapw";
    if (name == "Preferred DropEffect") return "preferred";
    return {};
}

void Dump(IDataObject* data, const std::string& out) {
    std::string list;
    IEnumFORMATETC* en = nullptr;
    if (SUCCEEDED(data->EnumFormatEtc(DATADIR_GET, &en)) && en) {
        FORMATETC f;
        while (en->Next(1, &f, nullptr) == S_OK) {
            std::string name = FormatName(f.cfFormat);
            list += name + "\n";
            std::string suffix = Suffix(name);
            if (suffix.empty()) continue;
            FORMATETC want = {f.cfFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
            STGMEDIUM m{};
            if (SUCCEEDED(data->GetData(&want, &m))) {
                if (m.tymed == TYMED_HGLOBAL) {
                    const char* p = static_cast<const char*>(GlobalLock(m.hGlobal));
                    if (p) WriteFile(out + "." + suffix, std::string(p, GlobalSize(m.hGlobal)));
                    GlobalUnlock(m.hGlobal);
                }
                ReleaseStgMedium(&m);
            }
        }
        en->Release();
    }
    WriteFile(out + ".formats", list);
}

class Target : public IDropTarget {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDropTarget) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override { return --refs_; }
    static DWORD Effect(DWORD keys, DWORD allowed) {
        if ((keys & MK_SHIFT) && (allowed & DROPEFFECT_MOVE)) return DROPEFFECT_MOVE;
        if (allowed & DROPEFFECT_COPY) return DROPEFFECT_COPY;
        return allowed & DROPEFFECT_MOVE;
    }
    STDMETHODIMP DragEnter(IDataObject*, DWORD keys, POINTL, DWORD* effect) override {
        *effect = Effect(keys, *effect);
        return S_OK;
    }
    STDMETHODIMP DragOver(DWORD keys, POINTL, DWORD* effect) override {
        *effect = Effect(keys, *effect);
        return S_OK;
    }
    STDMETHODIMP DragLeave() override { return S_OK; }
    STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL, DWORD* effect) override {
        *effect = Effect(keys, *effect);
        Dump(data, g_out);
        WriteFile(g_out + ".done", std::to_string(*effect) + " " + std::to_string(keys));
        return S_OK;
    }

private:
    ULONG refs_ = 1;
};

class Data final : public IDataObject {
public:
    Data() {
        std::string block(20, '\0');
        DWORD offset = 20;
        std::memcpy(block.data(), &offset, 4);
        for (const std::string& f : g_files) {
            block += f;
            block.push_back('\0');
        }
        block.push_back('\0');
        blocks_.push_back(block);
        formats_.push_back(CF_HDROP);
        if (!g_map.empty()) {
            std::string map;
            for (const std::string& m : g_map) {
                std::wstring w(m.begin(), m.end());
                map.append(reinterpret_cast<const char*>(w.c_str()), (w.size() + 1) * 2);
            }
            map.append(2, '\0');
            blocks_.push_back(map);
            formats_.push_back(static_cast<CLIPFORMAT>(RegisterClipboardFormatA("FileNameMapW")));
        }
    }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDataObject) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (!n) delete this;
        return n;
    }
    int Find(const FORMATETC* f) const {
        for (size_t i = 0; i < formats_.size(); ++i)
            if (f->cfFormat == formats_[i] && (f->tymed & TYMED_HGLOBAL)) return static_cast<int>(i);
        return -1;
    }
    STDMETHODIMP GetData(FORMATETC* f, STGMEDIUM* m) override {
        int i = Find(f);
        if (i < 0) return DV_E_FORMATETC;
        const std::string& b = blocks_[i];
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, b.size());
        std::memcpy(GlobalLock(h), b.data(), b.size());
        GlobalUnlock(h);
        m->tymed = TYMED_HGLOBAL;
        m->hGlobal = h;
        m->pUnkForRelease = nullptr;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* f) override { return Find(f) >= 0 ? S_OK : DV_E_FORMATETC; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD dir, IEnumFORMATETC** out) override {
        if (dir != DATADIR_GET) return E_NOTIMPL;
        std::vector<FORMATETC> list;
        for (CLIPFORMAT cf : formats_)
            list.push_back({cf, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
        return SHCreateStdEnumFmtEtc(static_cast<UINT>(list.size()), list.data(), out);
    }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    LONG refs_ = 1;
    std::vector<std::string> blocks_;
    std::vector<CLIPFORMAT> formats_;
};

class Source : public IDropSource {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDropSource) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP QueryContinueDrag(BOOL escape, DWORD keys) override {
        g_keysSeen |= keys;
        if (escape) return DRAGDROP_S_CANCEL;
        if (!(keys & (MK_LBUTTON | MK_RBUTTON))) return DRAGDROP_S_DROP;
        return S_OK;
    }
    STDMETHODIMP GiveFeedback(DWORD effect) override {
        g_feedbackSeen |= effect;
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }
};

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN) {
        if (!g_files.empty()) {
            // The keys held during the drag reach the thread with the focus.
            SetForegroundWindow(hwnd);
            SetFocus(hwnd);
            Data* data = new Data;
            Source source;
            DWORD effect = 0;
            g_feedbackSeen = 0;
            g_keysSeen = 0;
            HRESULT hr =
                DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect);
            data->Release();
            char line[96];
            std::snprintf(line, sizeof line, "%08lx %lu %08lx %04lx", static_cast<unsigned long>(hr),
                          static_cast<unsigned long>(effect), static_cast<unsigned long>(g_feedbackSeen),
                          static_cast<unsigned long>(g_keysSeen));
            WriteFile(g_out + ".result", line);
        }
        return 0;
    }
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT r;
        GetClientRect(hwnd, &r);
        const char* text = g_files.empty() ? "Drop files here" : "Drag files from here";
        DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int RunWindow(const char* caption, int x, int y, int w, int h, bool target) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_INFOBK + 1);
    wc.lpszClassName = "DDPeerWindow";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, "DDPeerWindow", caption, WS_POPUP | WS_BORDER | WS_VISIBLE, x,
                                y, w, h, nullptr, nullptr, wc.hInstance, nullptr);
    if (!hwnd) return 2;
    Target dropTarget;
    if (target && FAILED(RegisterDragDrop(hwnd, &dropTarget))) return 3;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (target) RevokeDragDrop(hwnd);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 1;
    std::string mode = argv[1];
    if (FAILED(OleInitialize(nullptr))) return 4;
    int rc = 1;
    if ((mode == "target" || mode == "source") && argc >= 7) {
        g_out = argv[2];
        int x = atoi(argv[3]), y = atoi(argv[4]), w = atoi(argv[5]), h = atoi(argv[6]);
        if (mode == "source") {
            bool inMap = false;
            for (int i = 7; i < argc; ++i) {
                std::string a = argv[i];
                if (a == "--map")
                    inMap = true;
                else if (a == "--")
                    inMap = false;
                else
                    (inMap ? g_map : g_files).push_back(a);
            }
        }
        rc = RunWindow(mode == "target" ? "DD Peer Target" : "DD Peer Source", x, y, w, h, mode == "target");
    } else if (mode == "clipdump" && argc >= 3) {
        IDataObject* data = nullptr;
        if (SUCCEEDED(OleGetClipboard(&data)) && data) {
            Dump(data, argv[2]);
            data->Release();
            rc = 0;
        }
    } else if (mode == "clipput") {
        for (int i = 2; i < argc; ++i)
            g_files.push_back(argv[i]);
        Data* data = new Data;
        rc = SUCCEEDED(OleSetClipboard(data)) && SUCCEEDED(OleFlushClipboard()) ? 0 : 5;
        data->Release();
    }
    OleUninitialize();
    return rc;
}
