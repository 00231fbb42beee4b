#include "shell/NameCase.h"

#include <windows.h>

namespace shell {

std::string UpperCase(std::string s) {
    if (!s.empty()) CharUpperBuffA(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

std::string LowerCase(std::string s) {
    if (!s.empty()) CharLowerBuffA(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

char UpperLetter(char c) {
    CharUpperBuffA(&c, 1);
    return c;
}

std::string DisplayedName(const std::string& name, TFileNameDisplay display, TNiceNameRule nice) {
    switch (display) {
    case fndCap:
        return UpperCase(name);
    case fndNoCap:
        return LowerCase(name);
    case fndNice: {
        if (name.size() > nice.maxLength) return name;
        if (nice.keepBlankNames && name.find(' ') != std::string::npos) return name;
        std::string shown = LowerCase(name);
        if (!shown.empty()) shown[0] = UpperLetter(shown[0]);
        return shown;
    }
    case fndStored:
    default:
        return name;
    }
}

} // namespace shell
