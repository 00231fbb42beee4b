// Finding the filter file: beside the bridge, at the remembered location, on the library search
// path, or where the user points in the location dialog. The search runs anew on every call.
#pragma once

#include <string>

namespace xfbridge {

inline constexpr char kFilterNames[2][16] = {"Prismatica2.8bf", "Prismatica.8bf"};
inline constexpr char kLocationKey[] = "Software\\Tarsel Software\\PRSMATIV";
inline constexpr char kLocationValue[] = "Location";

// Whether the file maps as a library without any of its code being run. A name without a
// folder is looked for along the library search path.
bool IsLoadable(const std::string& path);

// The remembered path, "" when there is none or it cannot be read.
std::string ReadRememberedLocation();
// Stores the path as the remembered location; false when it could not be saved.
bool RememberLocation(const std::string& path);

// The filter file to use, "" when none was found and the user gave nothing usable.
std::string LocateFilter();

} // namespace xfbridge
