// Runs one filter library over a 24-bit device-independent image, in place, through the
// published filter interface: only the progress callback is offered, every suite is absent.
#pragma once

#include <windows.h>

#include <string>

namespace xfbridge {

// True when the filter ran and its result word was 0 after the last call made to it. Failures
// to load the library or find its entry point are shown in a message box.
bool RunFilter(const std::string& filterPath, HGLOBAL image);

} // namespace xfbridge
