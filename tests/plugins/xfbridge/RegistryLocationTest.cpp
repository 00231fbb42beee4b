#include "plugins/xfbridge/COXRegistryValFile.h"
#include "plugins/xfbridge/FilterLocator.h"

#include <gtest/gtest.h>

using namespace xfbridge;

namespace {

// The bridge's own key under the current user, without its value before and after each test.
class RegistryLocationTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteValue(); }
    void TearDown() override { DeleteValue(); }

    static void DeleteValue() { RegDeleteKeyValueA(HKEY_CURRENT_USER, kLocationKey, kLocationValue); }

    struct Raw {
        bool exists = false;
        DWORD type = 0;
        std::string bytes;
    };
    static Raw ReadRaw() {
        Raw raw;
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kLocationKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return raw;
        DWORD size = 0;
        if (RegQueryValueExA(key, kLocationValue, nullptr, &raw.type, nullptr, &size) == ERROR_SUCCESS) {
            raw.exists = true;
            raw.bytes.resize(size);
            RegQueryValueExA(key, kLocationValue, nullptr, &raw.type,
                             reinterpret_cast<BYTE*>(raw.bytes.data()), &size);
        }
        RegCloseKey(key);
        return raw;
    }
    static void WriteRaw(DWORD type, const std::string& bytes) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kLocationKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, kLocationValue, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
        RegCloseKey(key);
    }
};

} // namespace

TEST_F(RegistryLocationTest, ReadingAMissingValueLeavesAnEmptyBinaryOne) {
    EXPECT_EQ(ReadRememberedLocation(), "");
    Raw raw = ReadRaw();
    EXPECT_TRUE(raw.exists);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(raw.bytes, "");
}

TEST_F(RegistryLocationTest, RememberedPathIsStoredInTheSerializedForm) {
    const std::string path = "C:\\" + std::string(291, 'd') + "\\P.8bf";
    ASSERT_EQ(path.size(), 300u);
    ASSERT_TRUE(RememberLocation(path));
    Raw raw = ReadRaw();
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(raw.bytes, std::string("\xFF\x2C\x01", 3) + path);
    EXPECT_EQ(ReadRememberedLocation(), path);
    // Reading writes the same bytes back.
    EXPECT_EQ(ReadRaw().bytes, raw.bytes);
}

TEST_F(RegistryLocationTest, ANewLocationReplacesTheOldOneWhole) {
    ASSERT_TRUE(RememberLocation("C:\\a much longer old folder name\\Prismatica.8bf"));
    ASSERT_TRUE(RememberLocation("D:\\P2.8bf"));
    EXPECT_EQ(ReadRaw().bytes, "\x09"
                               "D:\\P2.8bf");
    EXPECT_EQ(ReadRememberedLocation(), "D:\\P2.8bf");
}

TEST_F(RegistryLocationTest, WrongTypeOrShortValueReadsAsNone) {
    WriteRaw(REG_SZ, "C:\\Filters\\Prismatica.8bf");
    EXPECT_EQ(ReadRememberedLocation(), "");
    WriteRaw(REG_BINARY, "\x20"
                         "C:\\short");
    EXPECT_EQ(ReadRememberedLocation(), "");
    WriteRaw(REG_BINARY, std::string("\xFF\xFE\xFF\x03"
                                     "C\0:\0\\\0",
                                     10));
    EXPECT_EQ(ReadRememberedLocation(), "C:\\");
}

TEST_F(RegistryLocationTest, AdapterAppendsToWhatItRead) {
    WriteRaw(REG_BINARY, "abc");
    {
        COXRegistryValFile value;
        ASSERT_TRUE(value.Open(HKEY_CURRENT_USER, kLocationKey, kLocationValue));
        char first[2] = {};
        EXPECT_EQ(value.File().Read(first, 2), 2u);
        EXPECT_EQ(std::string(first, 2), "ab");
        value.File().Write("de", 2);
        // Closed by going out of scope.
    }
    EXPECT_EQ(ReadRaw().bytes, "abcde");
}
