#include "kovalin/Registry.h"
#include "plugin_api/PluginMap.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <map>

using namespace kplug;
using kovalin::TRegistry;

namespace {

// The map is the real one of the prefix: each test puts it back as it found it.
class PluginMapTest : public ::testing::Test {
protected:
    std::map<std::string, std::string> saved;
    void SetUp() override {
        TRegistry reg;
        if (reg.OpenKey(kOpenPluginMapKey, false))
            for (const auto& name : reg.GetValueNames())
                if (reg.GetDataType(name) == kovalin::TRegDataType::rdString)
                    saved[name] = reg.ReadString(name);
    }
    void TearDown() override {
        TRegistry reg;
        reg.DeleteKey(kOpenPluginMapKey);
        ASSERT_TRUE(reg.OpenKey(kOpenPluginMapKey, true));
        for (const auto& [name, value] : saved)
            reg.WriteString(name, value);
    }
    static void Register(const std::string& name, const std::string& library) {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kOpenPluginMapKey, true));
        reg.WriteString(name, library);
    }
};

TEST_F(PluginMapTest, LooksUpExtensionsWhateverTheirCaseInTheRegistry) {
    Register("zztest", "kv_jpeg.dll");
    Register("ZZUPPER", "upper.dll");
    EXPECT_EQ(OpenPluginFor("zztest"), "kv_jpeg.dll");
    EXPECT_EQ(OpenPluginFor("zzupper"), "upper.dll");
    EXPECT_EQ(OpenPluginFor("zznone"), "");
    EXPECT_EQ(OpenPluginFor(""), "");
}

TEST_F(PluginMapTest, MissingKeyIsCreatedEmptyAndOddValuesCountAsNone) {
    TRegistry reg;
    reg.DeleteKey(kOpenPluginMapKey);
    EXPECT_EQ(OpenPluginFor("jpg"), "");
    EXPECT_TRUE(reg.KeyExists(kOpenPluginMapKey));
    ASSERT_TRUE(reg.OpenKey(kOpenPluginMapKey, false));
    reg.WriteInteger("zzdword", 1);
    EXPECT_EQ(OpenPluginFor("zzdword"), "");
}

TEST_F(PluginMapTest, LibrariesLoadOnlyFromThePluginFolder) {
    EXPECT_EQ(PluginFolder(), testsupport::ExeFolder() + "plugins\\");
    EXPECT_EQ(PluginPath("kv_jpeg.dll"), testsupport::ExeFolder() + "plugins\\kv_jpeg.dll");

    TPluginLibrary jpeg("kv_jpeg.dll");
    ASSERT_TRUE(jpeg.Loaded());
    EXPECT_NE(jpeg.Entry<TKPLUGopen>(kKPLUGopen), nullptr);
    EXPECT_EQ(jpeg.Entry<TKPLUGtool>(kKPLUGtool), nullptr);

    EXPECT_FALSE(TPluginLibrary("missing.dll").Loaded());
    EXPECT_FALSE(TPluginLibrary("").Loaded());
    // A registered name with a folder in it never reaches outside the plug-in folder.
    EXPECT_FALSE(TPluginLibrary("..\\plugins\\kv_jpeg.dll").Loaded());
    EXPECT_FALSE(TPluginLibrary("C:kv_jpeg.dll").Loaded());
    EXPECT_EQ(TPluginLibrary("missing.dll").Entry<TKPLUGopen>(kKPLUGopen), nullptr);
}

} // namespace
