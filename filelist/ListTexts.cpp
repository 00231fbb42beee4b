#include "filelist/ListTexts.h"

#include "kovalin/Module.h"

#include <windows.h>

#include <array>

namespace filelist {

int ListTextBlock() {
    switch (PRIMARYLANGID(GetUserDefaultLangID())) {
    case LANG_GERMAN:
        return DVT_GERMAN;
    case LANG_FRENCH:
        return DVT_FRENCH;
    default:
        return DVT_ENGLISH;
    }
}

const std::string& ListText(int role) {
    static const std::array<std::string, DVT_LAST_TEXT + 1> texts = [] {
        std::array<std::string, DVT_LAST_TEXT + 1> t;
        const int block = ListTextBlock();
        for (int i = 0; i <= DVT_LAST_TEXT; ++i)
            t[static_cast<size_t>(i)] = kovalin::ResourceString(nullptr, static_cast<UINT>(block + i));
        return t;
    }();
    static const std::string none;
    return role >= 0 && role <= DVT_LAST_TEXT ? texts[static_cast<size_t>(role)] : none;
}

std::string UnregisteredTypeName(const std::string& ext) {
    std::string text = ListText(DVT_FILE_TYPE);
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, ext);
    return text;
}

} // namespace filelist
