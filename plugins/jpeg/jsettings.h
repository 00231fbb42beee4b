// What the plug-in keeps in the registry: the compression quality as decimal text, and the
// editor's folder, below which the export keeps its temporary file.
#pragma once

#include <string>

namespace kvjpeg {

inline constexpr char kPluginKey[] =
    "\\Software\\Kovalin\\Vodedi\\Plug-ins\\0FF6F740-2F20-11D5-B653-8D6A009BCE3A";
inline constexpr char kPathsKey[] = "\\Software\\Kovalin\\Vodedi\\Paths";
inline constexpr char kDefaultQuality[] = "80";

// The stored "Quality" text as it is, "80" when it is missing, empty or unreadable.
std::string ReadQualityText();
void WriteQualityText(const std::string& text);

// The export's temporary file: "temp\jpeg.tmp" below the editor's "Directory". Without that
// folder (no "Directory" stored, or no "temp" in it) the user's temporary folder takes its place,
// so the export never writes into whatever the current folder happens to be.
std::string ExportTempPath();

// Decimal text, optionally signed, as a 32-bit integer. StrToInt raises EConvertError.
bool TryStrToInt(const std::string& text, int& value);
int StrToInt(const std::string& text);

} // namespace kvjpeg
