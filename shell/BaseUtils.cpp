#include "shell/BaseUtils.h"

#include <windows.h>

namespace shell {

bool DirExists(const std::string& path) {
    if ((path.size() == 2 || path.size() == 3) && path[1] == ':') return true;
    if (path.empty()) return false;
    DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileOrDirExists(const std::string& path) {
    return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FileExistsRO(const std::string& path) {
    if (path.empty()) return false;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

std::string IncludeTrailingBackslash(const std::string& path) {
    if (path.empty() || path.back() == '\\') return path;
    return path + "\\";
}

std::string ExcludeTrailingBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '\\') return path.substr(0, path.size() - 1);
    return path;
}

bool ContainsChars(const std::string& chars, const std::string& text) {
    return !chars.empty() && text.find_first_of(chars) != std::string::npos;
}

std::string ReplaceChars(const std::string& text, const std::string& pairs) {
    if (pairs.size() % 2 != 0) return text;
    std::string out = text;
    for (size_t i = 0; i < pairs.size(); i += 2)
        for (char& c : out)
            if (c == pairs[i]) c = pairs[i + 1];
    return out;
}

std::string FileNameWithoutExt(const std::string& path) {
    size_t slash = path.find_last_of("\\/:");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string FormatThousands(int64_t number) {
    uint64_t magnitude = number < 0 ? 0 - static_cast<uint64_t>(number) : static_cast<uint64_t>(number);
    char sep[8] = ",";
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, sep, sizeof sep) <= 1) sep[0] = '\0';
    std::string digits = std::to_string(magnitude);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3 * 2);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += sep;
        out += digits[i];
    }
    return out;
}

} // namespace shell
