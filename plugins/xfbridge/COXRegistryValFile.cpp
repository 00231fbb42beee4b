#include "plugins/xfbridge/COXRegistryValFile.h"

namespace xfbridge {

COXRegistryValFile::~COXRegistryValFile() {
    if (IsOpen()) Close();
}

bool COXRegistryValFile::Open(HKEY root, const std::string& subKey, const std::string& valueName) {
    if (IsOpen()) Close();
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    key_.reset(key);
    valueName_ = valueName;
    file_.Clear();

    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size == 0)
        return true;
    std::string bytes(size, '\0');
    if (RegQueryValueExA(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()),
                         &size) != ERROR_SUCCESS ||
        type != REG_BINARY)
        return true;
    bytes.resize(size);
    file_ = MemoryFile(std::move(bytes));
    return true;
}

bool COXRegistryValFile::Close() {
    if (!IsOpen()) return false;
    const std::string& bytes = file_.Bytes();
    const bool stored = RegSetValueExA(key_.get(), valueName_.c_str(), 0, REG_BINARY,
                                       reinterpret_cast<const BYTE*>(bytes.data()),
                                       static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
    key_.reset();
    file_.Clear();
    return stored;
}

} // namespace xfbridge
