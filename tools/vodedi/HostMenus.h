// The editor's menu bar, made from what the plug-in catalog offers, and the command behind
// each menu item.
#pragma once

#include "tools/vodedi/PluginCatalog.h"

#include <windows.h>

#include <string>
#include <vector>

namespace vodedi {

enum class TCommandKind {
    ckOpen,
    ckLoadUrl,
    ckSaveAs,
    ckExport,
    ckInfo,
    ckPrint,
    ckConfig,
    ckExit,
    ckUndo,
    ckTool,
    ckFilter
};

struct TMenuCommand {
    UINT id;
    TCommandKind kind;
    std::string library; // the plug-in that serves it, for the plug-in commands
    std::string caption; // the SPECS key, for export, tool and filter commands
};

// Identifiers of the fixed items; plug-in commands are numbered from kFirstPluginCommand on.
enum : UINT {
    cmdInfo = 100,
    cmdExit = 101,
    cmdOpen = 102,
    cmdSaveAs = 103,
    cmdLoadUrl = 104,
    cmdPrint = 105,
    cmdUndo = 106,
    kFirstPluginCommand = 1000
};

class THostMenus {
public:
    explicit THostMenus(const TPluginCatalog& catalog);
    THostMenus(const THostMenus&) = delete;
    THostMenus& operator=(const THostMenus&) = delete;
    ~THostMenus();

    // The menu bar; it goes with the window it is set on (Detach), otherwise with this object.
    HMENU Bar() const { return bar_; }
    HMENU Detach();

    const TMenuCommand* Find(UINT id) const;
    // The first command of the kind with the caption (any caption when empty); null when none.
    const TMenuCommand* Find(TCommandKind kind, const std::string& caption = std::string()) const;
    const std::vector<TMenuCommand>& Commands() const { return commands_; }

private:
    void Add(HMENU menu, TCommandKind kind, const std::string& text, UINT id, const std::string& library = {},
             const std::string& caption = {});
    UINT NextId() { return nextId_++; }

    HMENU bar_;
    UINT nextId_ = kFirstPluginCommand;
    std::vector<TMenuCommand> commands_;
};

// Menu captions take '&' as the accelerator mark; a plug-in's own '&' is shown as it is.
std::string MenuText(const std::string& caption);

// The menu as text: one item a line, indented by two blanks a level, "-" for a separator.
std::string DescribeMenu(HMENU menu, int depth = 0);

} // namespace vodedi
