// The user's plug-in map as a whole, for tests that change it and must give it back.
#pragma once

#include <map>
#include <string>

namespace testsupport {

// Every value of the map: extension to library file name.
std::map<std::string, std::string> PluginMapValues();
// Makes the map hold exactly these values.
void SetPluginMapValues(const std::map<std::string, std::string>& values);

} // namespace testsupport
