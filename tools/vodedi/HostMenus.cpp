#include "tools/vodedi/HostMenus.h"

#include "plugin_api/KPlug.h"

namespace vodedi {

std::string MenuText(const std::string& caption) {
    std::string text;
    for (char c : caption) {
        if (c == '&') text += '&';
        text += c;
    }
    return text;
}

std::string DescribeMenu(HMENU menu, int depth) {
    std::string text;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char caption[256] = "";
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
        mii.dwTypeData = caption;
        mii.cch = sizeof caption;
        if (!GetMenuItemInfoA(menu, i, TRUE, &mii)) continue;
        text += std::string(2 * depth, ' ') + ((mii.fType & MFT_SEPARATOR) ? "-" : caption) + "\r\n";
        if (mii.hSubMenu) text += DescribeMenu(mii.hSubMenu, depth + 1);
    }
    return text;
}

namespace {

std::string LibraryTitle(const std::string& fileName) {
    size_t dot = fileName.find_last_of('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

} // namespace

THostMenus::THostMenus(const TPluginCatalog& catalog) : bar_(CreateMenu()) {
    HMENU file = CreatePopupMenu();
    Add(file, TCommandKind::ckOpen, "&Open...", cmdOpen);
    if (catalog.HasNamed("netload.dll", kLoadFile))
        Add(file, TCommandKind::ckLoadUrl, "&Load from URL...", cmdLoadUrl);
    if (!catalog.SaveFormats().empty()) Add(file, TCommandKind::ckSaveAs, "Save &As...", cmdSaveAs);
    auto exports = catalog.Commands(kKPLUGexport);
    if (!exports.empty()) {
        HMENU sub = CreatePopupMenu();
        for (const TPluginCommand& c : exports)
            Add(sub, TCommandKind::ckExport, MenuText(c.caption), NextId(), c.library, c.caption);
        AppendMenuA(file, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "&Export");
    }
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    Add(file, TCommandKind::ckInfo, "&Information...", cmdInfo);
    if (catalog.HasNamed("print.dll", kDoPrint)) Add(file, TCommandKind::ckPrint, "&Print...", cmdPrint);
    auto configs = catalog.ConfigLibraries();
    if (!configs.empty()) {
        HMENU sub = CreatePopupMenu();
        for (const std::string& lib : configs)
            Add(sub, TCommandKind::ckConfig, MenuText(LibraryTitle(lib)) + "...", NextId(), lib);
        AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(file, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "Op&tions");
    }
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    Add(file, TCommandKind::ckExit, "E&xit", cmdExit);
    AppendMenuA(bar_, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");

    HMENU edit = CreatePopupMenu();
    Add(edit, TCommandKind::ckUndo, "&Undo Filter", cmdUndo);
    AppendMenuA(bar_, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "&Edit");

    auto tools = catalog.Commands(kKPLUGtool);
    if (!tools.empty()) {
        HMENU sub = CreatePopupMenu();
        for (const TPluginCommand& c : tools)
            Add(sub, TCommandKind::ckTool, MenuText(c.caption), NextId(), c.library, c.caption);
        AppendMenuA(bar_, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "&Tools");
    }
    auto filters = catalog.Commands(kKPLUGfilter);
    if (!filters.empty()) {
        HMENU sub = CreatePopupMenu();
        for (const TPluginCommand& c : filters)
            Add(sub, TCommandKind::ckFilter, MenuText(c.caption), NextId(), c.library, c.caption);
        AppendMenuA(bar_, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "F&ilter");
    }
}

THostMenus::~THostMenus() {
    if (bar_) DestroyMenu(bar_);
}

HMENU THostMenus::Detach() {
    HMENU bar = bar_;
    bar_ = nullptr;
    return bar;
}

void THostMenus::Add(HMENU menu, TCommandKind kind, const std::string& text, UINT id,
                     const std::string& library, const std::string& caption) {
    AppendMenuA(menu, MF_STRING, id, text.c_str());
    commands_.push_back({id, kind, library, caption});
}

const TMenuCommand* THostMenus::Find(UINT id) const {
    for (const TMenuCommand& c : commands_)
        if (c.id == id) return &c;
    return nullptr;
}

const TMenuCommand* THostMenus::Find(TCommandKind kind, const std::string& caption) const {
    for (const TMenuCommand& c : commands_)
        if (c.kind == kind && (caption.empty() || c.caption == caption)) return &c;
    return nullptr;
}

} // namespace vodedi
