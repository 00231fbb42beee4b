#include "plugins/xfbridge/SerializedString.h"

#include <windows.h>

#include <cstdint>

namespace xfbridge {

namespace {

const uint8_t kLongerMarker = 0xFF;
const uint16_t kWideMarker = 0xFFFE;
const uint16_t kLongestMarker = 0xFFFF;

template <typename T> bool ReadValue(MemoryFile& file, T& value) {
    uint8_t bytes[sizeof(T)];
    if (file.Read(bytes, sizeof bytes) != sizeof bytes) return false;
    value = 0;
    for (size_t i = sizeof(T); i-- > 0;)
        value = static_cast<T>((value << 8) | bytes[i]);
    return true;
}

template <typename T> void WriteValue(MemoryFile& file, T value) {
    uint8_t bytes[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i)
        bytes[i] = static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i));
    file.Write(bytes, sizeof bytes);
}

struct Length {
    uint32_t count = 0;
    bool wide = false;
};

std::optional<Length> ReadLength(MemoryFile& file, bool allowWide) {
    uint8_t first;
    if (!ReadValue(file, first)) return std::nullopt;
    if (first != kLongerMarker) return Length{first, false};
    uint16_t second;
    if (!ReadValue(file, second)) return std::nullopt;
    if (second == kWideMarker) {
        if (!allowWide) return std::nullopt;
        auto inner = ReadLength(file, false);
        if (inner) inner->wide = true;
        return inner;
    }
    if (second != kLongestMarker) return Length{second, false};
    uint32_t third;
    if (!ReadValue(file, third)) return std::nullopt;
    return Length{third, false};
}

} // namespace

std::optional<std::string> ReadSerializedString(MemoryFile& file) {
    auto length = ReadLength(file, true);
    if (!length) return std::nullopt;
    const uint64_t bytes = static_cast<uint64_t>(length->count) * (length->wide ? 2 : 1);
    // Checked before anything is allocated: the length may claim far more than the value holds.
    if (bytes > file.Remaining()) return std::nullopt;
    if (!length->wide) {
        std::string text(length->count, '\0');
        file.Read(text.data(), text.size());
        return text;
    }
    std::wstring wide(length->count, L'\0');
    for (wchar_t& c : wide) {
        uint16_t unit = 0;
        ReadValue(file, unit);
        c = static_cast<wchar_t>(unit);
    }
    if (wide.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr,
                            nullptr);
    return text;
}

void WriteSerializedString(MemoryFile& file, std::string_view text) {
    const size_t n = text.size();
    if (n < kLongerMarker) {
        WriteValue(file, static_cast<uint8_t>(n));
    } else if (n < kWideMarker) {
        WriteValue(file, kLongerMarker);
        WriteValue(file, static_cast<uint16_t>(n));
    } else {
        WriteValue(file, kLongerMarker);
        WriteValue(file, kLongestMarker);
        WriteValue(file, static_cast<uint32_t>(n));
    }
    file.Write(text.data(), n);
}

} // namespace xfbridge
