// Letter case of file and folder names: the ANSI code page's upper and lower case, and the case a
// view shows a name in.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace shell {

// Letter case of names as shown: as stored, upper, lower, or "nice" (a short name in lower case
// with a capital first letter).
enum TFileNameDisplay { fndStored, fndCap, fndNoCap, fndNice };

// The code page's case of every byte, built once: changing names byte by byte is what keeps
// comparing, indexing and loading 100 000 names cheap.
using CaseTable = std::array<unsigned char, 256>;
const CaseTable& LowerTable();
const CaseTable& UpperTable();

std::string UpperCase(std::string s);
std::string LowerCase(std::string s);
char UpperLetter(char c);

// Which names fndNice gives its case: at most maxLength characters and, with keepBlankNames,
// none with a blank, whose case was chosen on purpose.
struct TNiceNameRule {
    size_t maxLength;
    bool keepBlankNames;
};

std::string DisplayedName(const std::string& name, TFileNameDisplay display, TNiceNameRule nice);

} // namespace shell
