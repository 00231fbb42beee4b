// Registry accessor: one open key below a root, with typed reads that raise on missing or
// mistyped integer values and writes that raise on failure.
#pragma once

#include "kovalin/Handles.h"

#include <string>
#include <vector>

namespace kovalin {

enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class TRegistry {
public:
    explicit TRegistry(HKEY root = HKEY_CURRENT_USER, REGSAM access = KEY_ALL_ACCESS);
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const { return root_; }
    void SetRootKey(HKEY root);
    REGSAM Access() const { return access_; }
    void SetAccess(REGSAM access) { access_ = access; }

    HKEY CurrentKey() const { return current_.get(); }
    // Path of the open key below the root, without a leading backslash.
    const std::string& CurrentPath() const { return path_; }

    // A path that starts with "\" is taken from the root, any other from the open key
    // (or from the root when none is open). Returns false when the key cannot be opened.
    bool OpenKey(const std::string& key, bool canCreate);
    bool OpenKeyReadOnly(const std::string& key);
    void CloseKey();

    bool KeyExists(const std::string& key) const;
    bool DeleteKey(const std::string& key);
    bool ValueExists(const std::string& name) const;
    bool DeleteValue(const std::string& name);
    std::vector<std::string> GetValueNames() const;
    std::vector<std::string> GetKeyNames() const;

    TRegDataType GetDataType(const std::string& name) const;
    // Size of the value's data in bytes, -1 when the value does not exist.
    int GetDataSize(const std::string& name) const;

    // Raise ERegistryException when the value is missing or of another type.
    int ReadInteger(const std::string& name) const;
    bool ReadBool(const std::string& name) const;
    // A missing value reads as ""; a value that is not a string raises.
    std::string ReadString(const std::string& name) const;
    // Copies the data of a binary (or untyped) value; returns the size read. Raises when the value
    // is missing, a string or an integer, or larger than the buffer.
    int ReadBinaryData(const std::string& name, void* buffer, int bufSize) const;

    void WriteInteger(const std::string& name, int value);
    void WriteBool(const std::string& name, bool value);
    void WriteString(const std::string& name, const std::string& value);
    void WriteExpandString(const std::string& name, const std::string& value);
    void WriteBinaryData(const std::string& name, const void* data, int size);

private:
    HKEY BaseFor(const std::string& key, std::string& relative) const;
    bool QueryValue(const std::string& name, DWORD& type, std::vector<BYTE>& data) const;
    void PutValue(const std::string& name, DWORD type, const void* data, DWORD size);

    HKEY root_;
    REGSAM access_;
    UniqueHKey current_;
    std::string path_;
};

} // namespace kovalin
