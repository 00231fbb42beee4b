// How the hex view turns a byte into the character it shows beside the hex digits.
#pragma once

#include <cstdint>

namespace kvhex {

enum class TTranslationType { ttAnsi, ttDos8, ttASCII, ttMac, ttEBCDIC };

// The character shown for the byte in the ANSI code page; codes a table leaves undefined come out
// as maskChar. Control characters are left as they are: masking them is the view's choice.
char TranslateByte(uint8_t byte, TTranslationType translation, char maskChar);

} // namespace kvhex
