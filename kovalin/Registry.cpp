#include "kovalin/Registry.h"

#include "kovalin/Exceptions.h"

#include <cstring>

namespace kovalin {

namespace {

std::string StripSlashes(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] == '\\')
        ++b;
    while (e > b && s[e - 1] == '\\')
        --e;
    return s.substr(b, e - b);
}

// The owner of a key the accessor opened for itself. The system may hand a predefined root back
// for an empty path: that one is never closed.
UniqueHKey OwnTempKey(HKEY opened, HKEY base) {
    return UniqueHKey(opened != base ? opened : nullptr);
}

} // namespace

TRegistry::TRegistry(HKEY root, REGSAM access) : root_(root), access_(access) {}

void TRegistry::SetRootKey(HKEY root) {
    CloseKey();
    root_ = root;
}

HKEY TRegistry::BaseFor(const std::string& key, std::string& relative) const {
    bool absolute = !key.empty() && key[0] == '\\';
    relative = StripSlashes(key);
    if (absolute || !current_) return root_;
    return current_.get();
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    std::string rel;
    HKEY base = BaseFor(key, rel);
    HKEY opened = nullptr;
    LONG rc;
    if (canCreate)
        rc = RegCreateKeyExA(base, rel.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_, nullptr,
                             &opened, nullptr);
    else
        rc = RegOpenKeyExA(base, rel.c_str(), 0, access_, &opened);
    if (rc != ERROR_SUCCESS) return false;
    std::string full = base == root_ ? rel : rel.empty() ? path_ : path_ + "\\" + rel;
    current_.reset(opened);
    path_ = full;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    REGSAM saved = access_;
    access_ = KEY_READ;
    bool ok = OpenKey(key, false);
    access_ = saved;
    return ok;
}

void TRegistry::CloseKey() {
    current_.reset();
    path_.clear();
}

bool TRegistry::KeyExists(const std::string& key) const {
    std::string rel;
    HKEY base = BaseFor(key, rel);
    HKEY opened = nullptr;
    bool exists = RegOpenKeyExA(base, rel.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS;
    UniqueHKey owner = OwnTempKey(opened, base);
    return exists;
}

bool TRegistry::DeleteKey(const std::string& key) {
    std::string rel;
    HKEY base = BaseFor(key, rel);
    if (rel.empty()) return false;
    // Sub-keys go first: RegDeleteKey refuses a key that still has children.
    {
        HKEY opened = nullptr;
        if (RegOpenKeyExA(base, rel.c_str(), 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS) return false;
        UniqueHKey owner = OwnTempKey(opened, base);
        char name[256];
        for (;;) {
            DWORD len = sizeof(name);
            if (RegEnumKeyExA(opened, 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            TRegistry sub(opened, KEY_ALL_ACCESS);
            if (!sub.DeleteKey(name)) return false;
        }
    }
    return RegDeleteKeyA(base, rel.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::QueryValue(const std::string& name, DWORD& type, std::vector<BYTE>& data) const {
    HKEY key = current_ ? current_.get() : root_;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        data.resize(size);
        DWORD got = size;
        LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &got);
        if (rc == ERROR_SUCCESS) {
            data.resize(got);
            return true;
        }
        if (rc != ERROR_MORE_DATA) return false;
        size = got; // the value grew between the two calls
    }
    return false;
}

bool TRegistry::ValueExists(const std::string& name) const {
    DWORD type;
    std::vector<BYTE> data;
    return QueryValue(name, type, data);
}

bool TRegistry::DeleteValue(const std::string& name) {
    HKEY key = current_ ? current_.get() : root_;
    return RegDeleteValueA(key, name.c_str()) == ERROR_SUCCESS;
}

std::vector<std::string> TRegistry::GetValueNames() const {
    std::vector<std::string> names;
    HKEY key = current_ ? current_.get() : root_;
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof(name);
        if (RegEnumValueA(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, len);
    }
    return names;
}

std::vector<std::string> TRegistry::GetKeyNames() const {
    std::vector<std::string> names;
    HKEY key = current_ ? current_.get() : root_;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof(name);
        if (RegEnumKeyExA(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, len);
    }
    return names;
}

TRegDataType TRegistry::GetDataType(const std::string& name) const {
    DWORD type;
    std::vector<BYTE> data;
    if (!QueryValue(name, type, data)) return TRegDataType::rdUnknown;
    switch (type) {
    case REG_SZ:
        return TRegDataType::rdString;
    case REG_EXPAND_SZ:
        return TRegDataType::rdExpandString;
    case REG_DWORD:
        return TRegDataType::rdInteger;
    case REG_BINARY:
        return TRegDataType::rdBinary;
    default:
        return TRegDataType::rdUnknown;
    }
}

int TRegistry::GetDataSize(const std::string& name) const {
    DWORD type;
    std::vector<BYTE> data;
    if (!QueryValue(name, type, data)) return -1;
    return static_cast<int>(data.size());
}

int TRegistry::ReadInteger(const std::string& name) const {
    DWORD type;
    std::vector<BYTE> data;
    if (!QueryValue(name, type, data))
        throw ERegistryException(Format("Failed to get data for '%s'", name.c_str()));
    if (type != REG_DWORD || data.size() != sizeof(DWORD))
        throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
    DWORD v;
    std::memcpy(&v, data.data(), sizeof v);
    return static_cast<int>(v);
}

bool TRegistry::ReadBool(const std::string& name) const {
    return ReadInteger(name) != 0;
}

std::string TRegistry::ReadString(const std::string& name) const {
    DWORD type;
    std::vector<BYTE> data;
    if (!QueryValue(name, type, data)) return std::string();
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
    // The stored data need not end in a zero byte; stop at the first one if it does.
    std::string s(reinterpret_cast<const char*>(data.data()), data.size());
    size_t z = s.find('\0');
    if (z != std::string::npos) s.resize(z);
    return s;
}

int TRegistry::ReadBinaryData(const std::string& name, void* buffer, int bufSize) const {
    DWORD type;
    std::vector<BYTE> data;
    if (!QueryValue(name, type, data))
        throw ERegistryException(Format("Failed to get data for '%s'", name.c_str()));
    // Strings and integers have readers of their own; raw reads are for binary or untyped data.
    bool raw = type != REG_SZ && type != REG_EXPAND_SZ && type != REG_DWORD && type != REG_MULTI_SZ;
    if (!raw || static_cast<int>(data.size()) > bufSize)
        throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
    if (!data.empty()) std::memcpy(buffer, data.data(), data.size());
    return static_cast<int>(data.size());
}

void TRegistry::PutValue(const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY key = current_ ? current_.get() : root_;
    if (RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to set data for '%s'", name.c_str()));
}

void TRegistry::WriteInteger(const std::string& name, int value) {
    DWORD v = static_cast<DWORD>(value);
    PutValue(name, REG_DWORD, &v, sizeof v);
}

void TRegistry::WriteBool(const std::string& name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    PutValue(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
    PutValue(name, REG_EXPAND_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void TRegistry::WriteBinaryData(const std::string& name, const void* data, int size) {
    PutValue(name, REG_BINARY, data, static_cast<DWORD>(size));
}

} // namespace kovalin
