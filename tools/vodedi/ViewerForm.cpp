#include "tools/vodedi/ViewerForm.h"

#include "kovalin/Application.h"
#include "kovalin/Dialogs.h"
#include "kovalin/Registry.h"
#include "plugin_api/KPlug.h"
#include "plugin_api/PluginMap.h"
#include "tools/vodedi/FileDialogs.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <stdexcept>

using namespace kovalin;

namespace vodedi {

namespace {

const char kTitle[] = "vodedi";

// What a downloaded document is, for the open plug-ins: the system's MIME database first, then
// an "image/<ext>" subtype that a plug-in opens, then the address's own extension.
std::string ExtensionForContentType(const TPluginCatalog& catalog, const std::string& contentType,
                                    const std::string& url) {
    std::string type = contentType.substr(0, contentType.find(';'));
    TRegistry reg(HKEY_CLASSES_ROOT, KEY_READ);
    try {
        if (!type.empty() && reg.OpenKeyReadOnly("MIME\\Database\\Content Type\\" + type)) {
            std::string ext = reg.ReadString("Extension");
            if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
            ext = LowerExtension("x." + ext);
            if (!catalog.OpenLibraryFor(ext).empty() || !kplug::OpenPluginFor(ext).empty()) return ext;
        }
    } catch (const std::exception&) {
        // An odd database entry: fall back to the other rules.
    }
    size_t slash = type.find('/');
    if (slash != std::string::npos) {
        std::string sub = LowerExtension("x." + type.substr(slash + 1));
        if (!catalog.OpenLibraryFor(sub).empty()) return sub;
    }
    std::string path = url.substr(0, url.find_first_of("?#"));
    return LowerExtension(path);
}

std::string TempFileName() {
    char folder[MAX_PATH], name[MAX_PATH];
    DWORD n = GetTempPathA(sizeof folder, folder);
    if (n == 0 || n >= sizeof folder || !GetTempFileNameA(folder, "vod", 0, name)) return std::string();
    return name;
}

} // namespace

std::string LowerExtension(const std::string& file) {
    size_t dot = file.find_last_of('.');
    size_t slash = file.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    std::string ext = file.substr(dot + 1);
    if (!ext.empty()) CharLowerBuffA(ext.data(), static_cast<DWORD>(ext.size()));
    return ext;
}

std::string NamePart(const std::string& file) {
    size_t slash = file.find_last_of("\\/");
    return slash == std::string::npos ? file : file.substr(slash + 1);
}

UniqueHBitmap CopyBitmap(HBITMAP source) {
    if (!source) return UniqueHBitmap();
    return UniqueHBitmap(static_cast<HBITMAP>(CopyImage(source, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

TfrmViewer::TfrmViewer(const TPluginCatalog& catalog, const TViewerParams& params)
    : TForm({.caption = kTitle,
             .borderStyle = params.fullScreen ? TFormBorderStyle::bsNone : TFormBorderStyle::bsSizeable,
             .left = 80,
             .top = 60,
             .clientWidth = 640,
             .clientHeight = 480}),
      catalog_(catalog), params_(params), menus_(std::make_unique<THostMenus>(catalog)) {
    if (!params.fullScreen) SetMenu(Handle(), menus_->Detach());
    OnPaint = [this](HDC dc) { PaintImage(dc); };
    OnResize = [this] { Invalidate(); };
    OnClose = [] { Application().Terminate(); };
    OnMenuCommand = [this](UINT id) { RunCommand(id); };
    if (params.fullScreen)
        SetWindowPos(Handle(), HWND_TOP, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                     0);
    UpdateMenus();
}

TfrmViewer::~TfrmViewer() {
    if (!downloaded_.empty()) DeleteFileA(downloaded_.c_str());
}

void TfrmViewer::RunCommand(UINT id) {
    // Escape is the way out of the full-screen view, which has no menu.
    if (const TMenuCommand* command = menus_->Find(id)) Run(*command);
}

void TfrmViewer::Run(const TMenuCommand& command) {
    // A failing command is reported and the editor goes on with what it had.
    try {
        switch (command.kind) {
        case TCommandKind::ckOpen:
            if (auto chosen = AskOpenFile(Handle(), catalog_.OpenFormats())) OpenFile(chosen->path);
            break;
        case TCommandKind::ckLoadUrl:
            LoadFromUrl();
            break;
        case TCommandKind::ckSaveAs:
            SaveAs();
            break;
        case TCommandKind::ckExport:
            Export(command.library);
            break;
        case TCommandKind::ckInfo:
            ShowInfo();
            break;
        case TCommandKind::ckPrint:
            Print(false);
            break;
        case TCommandKind::ckConfig:
            Configure(command.library);
            break;
        case TCommandKind::ckExit:
            Close();
            break;
        case TCommandKind::ckUndo:
            Undo();
            break;
        case TCommandKind::ckTool:
            Tool(command.library);
            break;
        case TCommandKind::ckFilter:
            Filter(command.library);
            break;
        }
    } catch (const std::exception& e) {
        Error(e.what());
    }
    UpdateMenus();
}

bool TfrmViewer::OpenFile(const std::string& path) {
    std::string ext = LowerExtension(path);
    std::string library = kplug::OpenPluginFor(ext);
    if (library.empty()) library = catalog_.OpenLibraryFor(ext);
    if (library.empty()) {
        Error("No plug-in is registered for \"" + ext + "\" files.");
        return false;
    }
    UniqueHBitmap image;
    {
        // Loaded for the call and freed afterwards, as every host does.
        kplug::TPluginLibrary lib(library);
        auto open = lib.Entry<TKPLUGopen>(kKPLUGopen);
        if (!open) {
            Error("Cannot load the plug-in " + kplug::PluginPath(library) + ".");
            return false;
        }
        image.reset(open(path.c_str(), ext.c_str(), Application().Handle()));
    }
    if (!image) {
        Error("Cannot open " + path + ".");
        return false;
    }
    SetImage(std::move(image), path, NamePart(path));
    return true;
}

void TfrmViewer::SetImage(UniqueHBitmap image, const std::string& path, const std::string& title) {
    image_ = std::move(image);
    undo_.reset();
    file_ = path;
    title_ = title;
    UpdateCaption();
    UpdateMenus();
    Invalidate();
}

void TfrmViewer::UpdateCaption() {
    std::string caption = kTitle;
    if (!title_.empty()) caption += " - " + title_;
    if (params_.print) caption += " (print)";
    SetWindowTextA(Handle(), caption.c_str());
}

void TfrmViewer::UpdateMenus() {
    HMENU bar = GetMenu(Handle());
    if (!bar) return;
    auto enable = [bar](UINT id, bool on) {
        EnableMenuItem(bar, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    };
    bool haveImage = static_cast<bool>(image_);
    for (const TMenuCommand& c : menus_->Commands()) {
        switch (c.kind) {
        case TCommandKind::ckSaveAs:
        case TCommandKind::ckExport:
        case TCommandKind::ckPrint:
        case TCommandKind::ckFilter:
            enable(c.id, haveImage);
            break;
        case TCommandKind::ckTool:
            enable(c.id, haveImage || !file_.empty());
            break;
        case TCommandKind::ckInfo:
            enable(c.id, !catalog_.InfoLibraryFor(LowerExtension(file_)).empty());
            break;
        case TCommandKind::ckUndo:
            enable(c.id, CanUndo());
            break;
        default:
            break;
        }
    }
    DrawMenuBar(Handle());
}

bool TfrmViewer::NeedImage() {
    if (image_) return true;
    Error("There is no image to work on.");
    return false;
}

void TfrmViewer::Error(const std::string& message) {
    MessageBoxA(Handle(), message.c_str(), kTitle, MB_ICONERROR);
}

void TfrmViewer::SaveAs() {
    if (!NeedImage()) return;
    auto formats = catalog_.SaveFormats();
    std::string base = NamePart(file_);
    base = base.substr(0, base.find_last_of('.'));
    auto chosen = AskSaveFile(Handle(), formats, base);
    if (!chosen) return;
    // A typed extension that a plug-in writes wins over the chosen filter line.
    const TFileFormat* format = chosen->format;
    std::string typed = LowerExtension(chosen->path);
    for (const TFileFormat& f : formats)
        if (f.extension == typed) format = &f;
    kplug::TPluginLibrary lib(format->library);
    auto save = lib.Entry<TKPLUGsave>(kKPLUGsave);
    if (!save)
        throw std::runtime_error("Cannot load the plug-in " + kplug::PluginPath(format->library) + ".");
    // The plug-in takes the bitmap over and deletes it: it gets a copy.
    UniqueHBitmap copy = CopyBitmap(image_.get());
    if (!copy) throw std::runtime_error("Not enough memory to copy the image.");
    if (!save(chosen->path.c_str(), 0, 0, copy.release())) Error("Cannot save " + chosen->path + ".");
}

void TfrmViewer::Export(const std::string& library) {
    if (!NeedImage()) return;
    kplug::TPluginLibrary lib(library);
    auto exportImage = lib.Entry<TKPLUGexport>(kKPLUGexport);
    if (!exportImage) throw std::runtime_error("Cannot load the plug-in " + kplug::PluginPath(library) + ".");
    UniqueHBitmap copy = CopyBitmap(image_.get());
    if (!copy) throw std::runtime_error("Not enough memory to copy the image.");
    exportImage(0, Application().Handle(), copy.release());
}

void TfrmViewer::ShowInfo() {
    std::string ext = LowerExtension(file_);
    std::string library = catalog_.InfoLibraryFor(ext);
    kplug::TPluginLibrary lib(library);
    auto info = library.empty() ? nullptr : lib.Entry<TKPLUGinfo>(kKPLUGinfo);
    if (!info) {
        MessageBoxA(Handle(), "The plug-in offers no information for this file.", kTitle, MB_ICONINFORMATION);
        return;
    }
    if (!info(file_.c_str(), 0, 0, Application().Handle())) Error("Cannot read " + file_ + ".");
}

void TfrmViewer::Print(bool atOnce) {
    if (!NeedImage()) return;
    kplug::TPluginLibrary lib("print.dll");
    auto print = lib.Entry<TDoPrint>(kDoPrint);
    if (!print) throw std::runtime_error("Cannot load the plug-in " + kplug::PluginPath("print.dll") + ".");
    // The handle must stay valid for the whole call; what the plug-in does with it afterwards is
    // its own affair, so it gets a copy that the editor forgets. Should the library have left the
    // copy alive, it is deleted here so nothing accumulates.
    UniqueHBitmap copy = CopyBitmap(image_.get());
    if (!copy) throw std::runtime_error("Not enough memory to copy the image.");
    HBITMAP handle = copy.release();
    print(Application().Handle(), handle, file_.c_str(), atOnce ? 1 : 0);
    if (GetObjectType(handle) == OBJ_BITMAP) DeleteObject(handle);
}

void TfrmViewer::PrintAtOnce() {
    if (image_ && catalog_.HasNamed("print.dll", kDoPrint)) {
        try {
            Print(true);
        } catch (const std::exception& e) {
            Error(e.what());
        }
    }
}

void TfrmViewer::Configure(const std::string& library) {
    kplug::TPluginLibrary lib(library);
    auto config = lib.Entry<TKPLUGconfig>(kKPLUGconfig);
    if (!config) throw std::runtime_error("Cannot load the plug-in " + kplug::PluginPath(library) + ".");
    config(0);
}

void TfrmViewer::Tool(const std::string& library) {
    kplug::TPluginLibrary lib(library);
    auto tool = lib.Entry<TKPLUGtool>(kKPLUGtool);
    if (!tool) throw std::runtime_error("Cannot load the plug-in " + kplug::PluginPath(library) + ".");
    // A tool reads the file or the image; both stay the editor's.
    tool(0, file_.c_str(), Application().Handle(), image_.get());
    Invalidate();
}

void TfrmViewer::Filter(const std::string& library) {
    if (!NeedImage()) return;
    UniqueHBitmap result;
    {
        kplug::TPluginLibrary lib(library);
        auto filter = lib.Entry<TKPLUGfilter>(kKPLUGfilter);
        if (!filter) throw std::runtime_error("Cannot load the plug-in " + kplug::PluginPath(library) + ".");
        result.reset(filter(0, 0, image_.get()));
    }
    if (!result) return; // cancelled, or nothing to give back
    undo_ = std::move(image_);
    image_ = std::move(result);
    Invalidate();
}

void TfrmViewer::Undo() {
    if (!undo_) return;
    image_ = std::move(undo_);
    Invalidate();
}

void TfrmViewer::LoadFromUrl() {
    std::string url = "http://";
    if (!InputQuery("Load from URL", "Address of the document:", url) || url.empty()) return;
    std::string target = TempFileName();
    if (target.empty()) throw std::runtime_error("Cannot create a temporary file.");
    std::string type;
    {
        kplug::TPluginLibrary lib("netload.dll");
        auto load = lib.Entry<TLoadFile>(kLoadFile);
        if (!load) {
            DeleteFileA(target.c_str());
            throw std::runtime_error("Cannot load the plug-in " + kplug::PluginPath("netload.dll") + ".");
        }
        LPCSTR result = load(Application().Handle(), url.c_str(), target.c_str(), kTitle, "");
        type = result ? result : "";
    }
    if (type == "Cancelled" || type.empty()) {
        DeleteFileA(target.c_str());
        if (type.empty()) Error("Cannot load " + url + ".");
        return;
    }
    // The open plug-ins go by extension: give the file the one its content type calls for.
    std::string ext = ExtensionForContentType(catalog_, type, url);
    std::string named = target + (ext.empty() ? "" : "." + ext);
    if (named != target && !MoveFileExA(target.c_str(), named.c_str(), MOVEFILE_REPLACE_EXISTING))
        named = target;
    std::string previous = downloaded_;
    if (OpenFile(named)) {
        downloaded_ = named;
        title_ = url;
        UpdateCaption();
        if (!previous.empty()) DeleteFileA(previous.c_str());
    } else {
        DeleteFileA(named.c_str());
    }
}

void TfrmViewer::PaintImage(HDC dc) {
    RECT rc = ClientRect();
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    BITMAP bm{};
    if (!image_ || !GetObjectA(image_.get(), sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight == 0) return;
    int cw = rc.right, ch = rc.bottom, bh = std::abs(bm.bmHeight);
    // Fit inside the window, never enlarged, centred.
    double k = std::min({1.0, double(cw) / bm.bmWidth, double(ch) / bh});
    int w = std::max(1, int(bm.bmWidth * k)), h = std::max(1, int(bh * k));
    UniqueMemoryDC mem(CreateCompatibleDC(dc));
    SelectGuard sel(mem.get(), image_.get());
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, (cw - w) / 2, (ch - h) / 2, w, h, mem.get(), 0, 0, bm.bmWidth, bh, SRCCOPY);
}

} // namespace vodedi
