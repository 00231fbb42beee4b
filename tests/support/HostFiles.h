// Files made from the Linux side of Wine, as a user of the machine would make them.
#pragma once

#include <cstdint>
#include <string>

namespace testsupport {

// The host's path of a Windows path; empty outside Wine.
std::string HostPath(const std::string& windowsPath);

// A sparse file of `size` bytes made by the host's `truncate`; falls back to extending the file
// through Windows (which Wine also leaves sparse) when the host program cannot be started.
void MakeSparseFile(const std::string& windowsPath, int64_t size);

} // namespace testsupport
