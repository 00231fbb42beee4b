#include "shell/NameCase.h"

#include <windows.h>

#include <utility>

namespace shell {

namespace {

CaseTable MakeCaseTable(DWORD(WINAPI* convert)(LPSTR, DWORD)) {
    CaseTable t{};
    for (int i = 0; i < 256; ++i)
        t[static_cast<size_t>(i)] = static_cast<unsigned char>(i);
    convert(reinterpret_cast<char*>(t.data() + 1), 255);
    return t;
}

std::string MapCase(std::string s, const CaseTable& table) {
    for (char& c : s)
        c = static_cast<char>(table[static_cast<unsigned char>(c)]);
    return s;
}

} // namespace

const CaseTable& LowerTable() {
    static const CaseTable table = MakeCaseTable(CharLowerBuffA);
    return table;
}

const CaseTable& UpperTable() {
    static const CaseTable table = MakeCaseTable(CharUpperBuffA);
    return table;
}

std::string UpperCase(std::string s) {
    return MapCase(std::move(s), UpperTable());
}

std::string LowerCase(std::string s) {
    return MapCase(std::move(s), LowerTable());
}

char UpperLetter(char c) {
    return static_cast<char>(UpperTable()[static_cast<unsigned char>(c)]);
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
