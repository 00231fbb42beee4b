// The installer's registration tool: the map gets exactly the open extensions of the folder's
// plug-ins, and loses exactly those again.
#include "plugin_api/PluginMap.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PluginMapValues.h"
#include "tests/support/TestFiles.h"
#include "tools/kplugreg/Registration.h"

#include <gtest/gtest.h>

#include <map>

using namespace testsupport;

namespace {

// The map is the prefix's own: whatever the other suites rely on in it comes back afterwards.
class KplugregTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string plugins = dir / "plugins";
    std::map<std::string, std::string> saved = PluginMapValues();

    void SetUp() override {
        CreateDirectoryA(plugins.c_str(), nullptr);
        SetPluginMapValues({{"other", "other.dll"}, {"tif", "other.dll"}});
    }
    void TearDown() override { SetPluginMapValues(saved); }

    void Add(const std::string& built, const std::string& as) {
        ASSERT_TRUE(CopyFileA((ExeFolder() + built).c_str(), (plugins + "\\" + as).c_str(), FALSE)) << built;
    }
};

TEST_F(KplugregTest, RegistersTheOpenExtensionsAndSkipsLibrariesWithoutGoodSpecs) {
    Add("plugins\\kv_jpeg.dll", "kv_jpeg.dll");
    Add("probe\\probe.dll", "probe.dll");
    Add("probe\\nospecs.dll", "nospecs.dll");
    Add("probe\\badspecs.dll", "bad.dll");
    WriteFileBytes(plugins + "\\text.dll", "not a library");

    kplugreg::TRegistrationReport report = kplugreg::RegisterFolder(plugins);
    EXPECT_EQ(report.librariesSkipped, 3);
    EXPECT_EQ(PluginMapValues(), (std::map<std::string, std::string>{{"jfif", "kv_jpeg.dll"},
                                                                     {"jpe", "kv_jpeg.dll"},
                                                                     {"jpeg", "kv_jpeg.dll"},
                                                                     {"jpg", "kv_jpeg.dll"},
                                                                     {"other", "other.dll"},
                                                                     {"prb", "probe.dll"},
                                                                     {"tif", "other.dll"}}));
    EXPECT_EQ(report.lines, (std::vector<std::string>{
                                "bad.dll: has a malformed SPECS resource (\"*.bad\" is not an extension); "
                                "nothing registered.",
                                "kv_jpeg.dll: registered for jpg, jpeg, jpe, jfif.",
                                "nospecs.dll: has no SPECS resource; nothing registered.",
                                "probe.dll: registered for prb.",
                                "text.dll: cannot be read as a library; nothing registered.",
                            }));

    kplugreg::TRegistrationReport removed = kplugreg::UnregisterFolder(plugins);
    EXPECT_EQ(removed.lines.size(), 5u);
    EXPECT_EQ(PluginMapValues(),
              (std::map<std::string, std::string>{{"other", "other.dll"}, {"tif", "other.dll"}}));
}

TEST_F(KplugregTest, TheProgramSaysWhatItDidThroughItsExitCode) {
    Add("probe\\probe.dll", "probe.dll");
    std::string exe = std::string("\"").append(ExeFolder()).append("kplugreg.exe\" ");
    ChildProcess good(exe + "/register \"" + plugins + "\"");
    EXPECT_EQ(good.WaitForExit(), 0u);
    EXPECT_EQ(PluginMapValues().count("prb"), 1u);

    Add("probe\\nospecs.dll", "nospecs.dll");
    ChildProcess skipped(exe + "/register \"" + plugins + "\"");
    EXPECT_EQ(skipped.WaitForExit(), 1u);

    ChildProcess removed(exe + "/unregister \"" + plugins + "\"");
    EXPECT_EQ(removed.WaitForExit(), 0u);
    EXPECT_EQ(PluginMapValues().count("prb"), 0u);
    EXPECT_EQ(PluginMapValues().count("other"), 1u);

    ChildProcess wrong(exe + "/install");
    EXPECT_EQ(wrong.WaitForExit(), 2u);
}

} // namespace
