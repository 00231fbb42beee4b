// The length-prefixed string form in which the filter's location is stored: one length byte below
// 255; 0xFF and a 16-bit length up to 65533; 0xFF, 0xFFFF and a 32-bit length beyond. All numbers
// little-endian, no terminating zero. 0xFF 0xFFFE before the length marks 16-bit characters.
#pragma once

#include "plugins/xfbridge/MemoryFile.h"

#include <optional>
#include <string>
#include <string_view>

namespace xfbridge {

// The next string of the file, 16-bit characters turned into the ANSI code page; none when the
// file ends before the length or the characters it announces.
std::optional<std::string> ReadSerializedString(MemoryFile& file);
// Appends the string in the shortest form its length allows.
void WriteSerializedString(MemoryFile& file, std::string_view text);

} // namespace xfbridge
