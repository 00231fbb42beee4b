#include "kovalin/Exceptions.h"
#include "kovalin/Registry.h"

#include <gtest/gtest.h>

using namespace kovalin;

namespace {

// Every test works below a scratch key that is removed afterwards.
class RegistryTest : public ::testing::Test {
protected:
    const std::string root = "\\Software\\Kovalin\\Tests\\Registry";
    void TearDown() override {
        TRegistry reg;
        reg.DeleteKey(root);
    }
};

TEST_F(RegistryTest, OpenKeyCreatesOnlyWhenAskedTo) {
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(root + "\\Missing", false));
    EXPECT_TRUE(reg.OpenKey(root + "\\Made", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Kovalin\\Tests\\Registry\\Made");
    EXPECT_TRUE(reg.KeyExists(root + "\\Made"));
    // A path without a leading backslash is taken from the open key.
    EXPECT_TRUE(reg.OpenKey("Sub", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Kovalin\\Tests\\Registry\\Made\\Sub");
    EXPECT_TRUE(reg.KeyExists(root + "\\Made\\Sub"));
}

TEST_F(RegistryTest, ValuesRoundTrip) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(root, true));
    reg.WriteInteger("Left", -60);
    reg.WriteBool("Maximized", true);
    reg.WriteString("Folder", "C:\\Some folder with blanks");
    reg.WriteString("Empty", "");
    EXPECT_EQ(reg.ReadInteger("Left"), -60);
    EXPECT_TRUE(reg.ReadBool("Maximized"));
    EXPECT_EQ(reg.ReadString("Folder"), "C:\\Some folder with blanks");
    EXPECT_EQ(reg.ReadString("Empty"), "");
    EXPECT_EQ(reg.GetDataType("Left"), TRegDataType::rdInteger);
    EXPECT_EQ(reg.GetDataType("Folder"), TRegDataType::rdString);
    EXPECT_EQ(reg.GetDataSize("Left"), 4);
    EXPECT_EQ(reg.GetDataSize("Nothing"), -1);

    TRegistry again;
    ASSERT_TRUE(again.OpenKeyReadOnly(root));
    EXPECT_EQ(again.ReadInteger("Left"), -60);
}

TEST_F(RegistryTest, IntegerReadsRaiseOnMissingOrMistypedValues) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(root, true));
    reg.WriteString("Text", "12");
    BYTE raw[4] = {1, 0, 0, 0};
    reg.WriteBinaryData("Raw", raw, sizeof raw);
    EXPECT_THROW(reg.ReadInteger("Missing"), ERegistryException);
    EXPECT_THROW(reg.ReadInteger("Text"), ERegistryException);
    EXPECT_THROW(reg.ReadInteger("Raw"), ERegistryException);
    EXPECT_THROW(reg.ReadBool("Text"), ERegistryException);
    // Strings read as empty when missing but raise when the value holds something else.
    EXPECT_EQ(reg.ReadString("Missing"), "");
    reg.WriteInteger("Number", 5);
    EXPECT_THROW(reg.ReadString("Number"), ERegistryException);
}

TEST_F(RegistryTest, BinaryDataAndStringsWithoutTerminator) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(root, true));
    BYTE data[3] = {9, 8, 7};
    reg.WriteBinaryData("Bin", data, 3);
    BYTE back[8] = {};
    EXPECT_EQ(reg.ReadBinaryData("Bin", back, sizeof back), 3);
    EXPECT_EQ(back[2], 7);
    BYTE small[2];
    EXPECT_THROW(reg.ReadBinaryData("Bin", small, sizeof small), ERegistryException);
    // A buffer of exactly the value's size takes it whole, and nothing is written beyond it.
    BYTE exact[4] = {0, 0, 0, 0xEE};
    EXPECT_EQ(reg.ReadBinaryData("Bin", exact, 3), 3);
    EXPECT_EQ(exact[0], 9);
    EXPECT_EQ(exact[2], 7);
    EXPECT_EQ(exact[3], 0xEE);
    // One byte short is refused before anything is copied.
    BYTE shortBy1[3] = {0x11, 0x11, 0x11};
    BYTE four[4] = {1, 2, 3, 4};
    reg.WriteBinaryData("Bin4", four, 4);
    EXPECT_THROW(reg.ReadBinaryData("Bin4", shortBy1, 3), ERegistryException);
    EXPECT_EQ(shortBy1[0], 0x11);
    // An empty value reads as nothing into any buffer.
    reg.WriteBinaryData("Empty", data, 0);
    EXPECT_EQ(reg.ReadBinaryData("Empty", exact, 0), 0);
    reg.WriteInteger("Int", 4);
    EXPECT_THROW(reg.ReadBinaryData("Int", back, sizeof back), ERegistryException);
    // A string stored without its zero byte still reads whole.
    ASSERT_EQ(RegSetValueExA(reg.CurrentKey(), "Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3),
              ERROR_SUCCESS);
    EXPECT_EQ(reg.ReadString("Raw"), "abc");
}

TEST_F(RegistryTest, NamesAndDeletion) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(root + "\\A\\B\\C", true));
    reg.WriteInteger("x", 1);
    ASSERT_TRUE(reg.OpenKey(root, false));
    reg.WriteInteger("One", 1);
    reg.WriteInteger("Two", 2);
    EXPECT_EQ(reg.GetValueNames().size(), 2u);
    EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"A"});
    EXPECT_TRUE(reg.DeleteValue("One"));
    EXPECT_FALSE(reg.ValueExists("One"));
    EXPECT_TRUE(reg.ValueExists("two")); // value names ignore case
    reg.CloseKey();
    // A key with sub-keys goes as a whole.
    EXPECT_TRUE(reg.DeleteKey(root + "\\A"));
    EXPECT_FALSE(reg.KeyExists(root + "\\A"));
}

} // namespace
