// One binary registry value used like a file: opening loads the value into memory, reads and
// writes go to that copy, and closing stores the whole copy back as the value.
#pragma once

#include "plugins/xfbridge/MemoryFile.h"
#include "plugins/xfbridge/Owned.h"

#include <windows.h>

#include <string>

namespace xfbridge {

class COXRegistryValFile {
public:
    COXRegistryValFile() = default;
    COXRegistryValFile(const COXRegistryValFile&) = delete;
    COXRegistryValFile& operator=(const COXRegistryValFile&) = delete;
    // Closes the file if it is still open.
    ~COXRegistryValFile();

    // Creates or opens the key; when the value exists as binary data its bytes become the file's
    // content, read from the start. Any other value (none, another type, unreadable) starts empty.
    bool Open(HKEY root, const std::string& subKey, const std::string& valueName);
    // Writes the content back as a binary value (even when empty) and closes the key.
    bool Close();
    bool IsOpen() const { return static_cast<bool>(key_); }

    MemoryFile& File() { return file_; }

private:
    OwnedKey key_;
    std::string valueName_;
    MemoryFile file_;
};

} // namespace xfbridge
