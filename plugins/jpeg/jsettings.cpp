#include "plugins/jpeg/jsettings.h"

#include "kovalin/Exceptions.h"
#include "kovalin/Registry.h"

#include <windows.h>

#include <climits>

namespace kvjpeg {

using namespace kovalin;

namespace {

// One value read on its own: any failure gives the default, without a message.
std::string ReadString(const char* key, const char* name, const std::string& fallback) {
    try {
        TRegistry reg;
        if (!reg.OpenKey(key, true)) return fallback;
        std::string value = reg.ReadString(name);
        return value.empty() ? fallback : value;
    } catch (const ERegistryException&) {
        return fallback;
    }
}

bool IsFolder(const std::string& path) {
    DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

std::string ReadQualityText() {
    return ReadString(kPluginKey, "Quality", kDefaultQuality);
}

void WriteQualityText(const std::string& text) {
    TRegistry reg;
    if (!reg.OpenKey(kPluginKey, true)) throw ERegistryException("Cannot open the plug-in's settings");
    reg.WriteString("Quality", text);
}

std::string ExportTempPath() {
    std::string dir = ReadString(kPathsKey, "Directory", "");
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    if (!dir.empty() && IsFolder(dir + "temp")) return dir + "temp\\jpeg.tmp";
    char temp[MAX_PATH + 1]{};
    DWORD n = GetTempPathA(sizeof temp, temp);
    std::string folder = n > 0 && n < sizeof temp ? std::string(temp, n) : std::string(".\\");
    if (folder.back() != '\\') folder += '\\';
    return folder + "jpeg.tmp";
}

bool TryStrToInt(const std::string& text, int& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return false;
    }
    v = negative ? -v : v;
    if (v > INT_MAX || v < INT_MIN) return false;
    value = static_cast<int>(v);
    return true;
}

int StrToInt(const std::string& text) {
    int v = 0;
    if (!TryStrToInt(text, v)) throw EConvertError("'" + text + "' is not a valid integer value");
    return v;
}

} // namespace kvjpeg
