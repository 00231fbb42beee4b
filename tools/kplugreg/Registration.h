// Fills and empties the registry map of open plug-ins from the SPECS resources of the libraries
// in a plug-in folder: what an installer runs after copying the plug-ins and before removing them.
#pragma once

#include <string>
#include <vector>

namespace kplugreg {

struct TRegistrationReport {
    std::vector<std::string> lines; // one per library, and one per value written or removed
    int librariesSkipped = 0;       // without SPECS, with a malformed one, or not loadable
};

// Writes one value per [KPLUGopen] extension of every library in the folder (a trailing
// backslash is optional). A library whose SPECS is missing or malformed writes nothing.
TRegistrationReport RegisterFolder(const std::string& folder);
// Removes the map's values whose data names a library of the folder; others stay.
TRegistrationReport UnregisterFolder(const std::string& folder);

} // namespace kplugreg
