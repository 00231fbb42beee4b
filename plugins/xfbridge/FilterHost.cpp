#include "plugins/xfbridge/FilterHost.h"

#include "plugins/xfbridge/Dib.h"
#include "plugins/xfbridge/FilterRecord.h"
#include "plugins/xfbridge/Module.h"
#include "plugins/xfbridge/Owned.h"
#include "plugins/xfbridge/ProgressWindow.h"

#include <cstring>
#include <limits>

namespace xfbridge {

namespace {

void ShowFailure(const char* text) {
    MessageBoxA(nullptr, text, BaseNameOf(ModuleFileName(ThisModule())).c_str(), MB_OK);
}

// Unlocks and frees the global block the pointer lies at the start of; anything that is not
// such a block is left alone.
void FreeGlobalAt(const void* data) {
    HGLOBAL block = GlobalHandle(data);
    if (!block) return;
    GlobalUnlock(block);
    GlobalFree(block);
}

// The filter's saved parameters: a handle block holding the pointer to the data block.
void ReleaseParameters(PIHandle parameters) {
    HGLOBAL handleBlock = GlobalHandle(parameters);
    if (!handleBlock) return; // not memory the filter could have given us: do not look inside
    if (GlobalSize(handleBlock) >= sizeof(char*) && *parameters) FreeGlobalAt(*parameters);
    FreeGlobalAt(parameters);
}

bool FitsInt16(LONG v) {
    return v > 0 && v <= std::numeric_limits<int16>::max();
}

} // namespace

bool RunFilter(const std::string& filterPath, HGLOBAL image) {
    if (!image) return false;
    GlobalLockGuard lock(image);
    auto* header = static_cast<BITMAPINFOHEADER*>(lock.data());
    if (!header || header->biBitCount != 24) return false;
    // The block describes the image in 16-bit numbers: a larger one would be misdescribed.
    if (!FitsInt16(header->biWidth) || !FitsInt16(header->biHeight)) return false;
    const auto width = static_cast<int16>(header->biWidth);
    const auto height = static_cast<int16>(header->biHeight);

    FilterRecord record;
    std::memset(&record, 0, sizeof record);
    PlatformData platform{0}; // no owner window for the filter's dialogs
    record.imageSize = Point{height, width};
    record.planes = 3;
    record.filterRect = Rect{0, 0, height, width};
    record.progressProc = &TProgressWindow::Report;
    record.platformData = &platform;
    record.hostSig = kHostSignature;
    const unsigned char white[4] = {255, 255, 255, 0};
    std::memcpy(record.foreColor, white, sizeof white);
    record.imageMode = plugInModeRGBColor;

    OwnedModule library(LoadLibraryA(filterPath.c_str()));
    if (!library) {
        ShowFailure("Unable to load plug-in");
        return false;
    }
    auto entry = reinterpret_cast<FilterEntryProc>(
        reinterpret_cast<void*>(GetProcAddress(library.get(), kFilterEntryName)));
    if (!entry) {
        ShowFailure("GetProcAddress failed");
        return false;
    }

    int16 result = 0;
    intptr_t data = 0;
    // What the filter asks for in between (rectangles, planes, buffers) is not read back: it is
    // given the whole image at once.
    entry(filterSelectorParameters, &record, &data, &result);
    entry(filterSelectorPrepare, &record, &data, &result);
    entry(filterSelectorStart, &record, &data, &result);

    const DibRows rows = DibRowsOf(header);
    record.inData = rows.topRow;
    record.inRowBytes = -rows.stride;
    record.inColumnBytes = 3;
    record.inPlaneBytes = 1;
    entry(filterSelectorContinue, &record, &data, &result);

    if (result == 0) {
        record.outData = rows.topRow;
        record.outRowBytes = -rows.stride;
        record.outColumnBytes = 3;
        record.outPlaneBytes = 1;
        entry(filterSelectorContinue, &record, &data, &result);
        entry(filterSelectorFinish, &record, &data, &result);
    }

    if (record.parameters) ReleaseParameters(record.parameters);
    return result == 0;
}

} // namespace xfbridge
