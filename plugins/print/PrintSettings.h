// The print window's layout and paper, kept under "\Software\Kovalin\Vodedi\Print".
#pragma once

#include "kovalin/Registry.h"
#include "plugins/print/Preview.h"

#include <optional>

namespace kvprint {

class TfrmPrint;

inline constexpr char kPrintKey[] = "\\Software\\Kovalin\\Vodedi\\Print";

// The stored "ZoomState" codes: 0 percentage, 1 fit page, 2 fit height, 3 fit width.
int ZoomStateCode(TZoomState state);
std::optional<TZoomState> ZoomStateFromCode(int code);

// Each value on its own; a missing or unreadable one keeps the window's default.
void RestoreSettings(const kovalin::TRegistry& reg, TfrmPrint& form);
void SaveSettings(kovalin::TRegistry& reg, TfrmPrint& form);

} // namespace kvprint
