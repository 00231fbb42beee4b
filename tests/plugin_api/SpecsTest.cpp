#include "plugin_api/KPlug.h"
#include "plugin_api/PluginMap.h"
#include "plugin_api/Specs.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace kplug;
using namespace std::string_literals;

namespace {

TSpecs ExpectedJpegSpecs() {
    TSpecs s;
    for (const char* ext : {"jpg", "jpeg", "jpe", "jfif"})
        s.Add("KPLUGopen", ext);
    s.Add("KPLUGsave", "jpg");
    s.Add("KPLUGexport", "JPEG Export");
    for (const char* ext : {"jpg", "jpeg", "jpe", "jfif"})
        s.Add("KPLUGinfo", ext);
    for (const char* ext : {"jpg", "jpeg", "jpe", "jfif"})
        s.Add("KPLUGdescr", ext, std::string("JPEG Images (*.") + ext + ")");
    return s;
}

TEST(SpecsTest, WriterProducesTheExactBytes) {
    TSpecs logo;
    logo.Add("KPLUGtool", "Logo Changer");
    EXPECT_EQ(WriteSpecs(logo), "[KPLUGtool]\r\nLogo Changer=\r\n");

    // Sections come out in resource order whatever order they were added in, one blank line apart.
    TSpecs mixed;
    mixed.Add("KPLUGdescr", "jpg", "JPEG Images (*.jpg)");
    mixed.Add("KPLUGinfo", "jpg");
    mixed.Add("KPLUGopen", "jpg");
    mixed.Add("KPLUGexport", "JPEG Export");
    EXPECT_EQ(WriteSpecs(mixed),
              "[KPLUGopen]\r\njpg=\r\n\r\n[KPLUGexport]\r\nJPEG Export=\r\n\r\n[KPLUGinfo]\r\njpg=\r\n\r\n"
              "[KPLUGdescr]\r\njpg=JPEG Images (*.jpg)\r\n");
    EXPECT_EQ(WriteSpecs(TSpecs()), "");
}

TEST(SpecsTest, ReaderTakesCrLfLfAndTrailingZeros) {
    std::string text = "[KPLUGopen]\r\njpg=\r\nJPEG=\r\n\r\n[KPLUGdescr]\njpg=JPEG Images (*.jpg)\n\0\0\0"s;
    TSpecs s = ParseSpecs(text);
    ASSERT_EQ(s.Sections().size(), 2u);
    EXPECT_EQ(s.Keys("KPLUGopen"), (std::vector<std::string>{"jpg", "JPEG"}));
    EXPECT_TRUE(s.HasKey("kplugopen", "jpeg")); // names compare without regard to case
    EXPECT_FALSE(s.HasKey("KPLUGopen", "png"));
    EXPECT_FALSE(s.HasSection("KPLUGsave"));
    EXPECT_EQ(s.Value("KPLUGdescr", "jpg"), "JPEG Images (*.jpg)");
    EXPECT_EQ(s.Value("KPLUGdescr", "gif"), "");
    EXPECT_EQ(WriteSpecs(ParseSpecs(WriteSpecs(ExpectedJpegSpecs()))), WriteSpecs(ExpectedJpegSpecs()));
}

TEST(SpecsTest, ReaderSurvivesOddText) {
    TSpecs s =
        ParseSpecs("orphan=1\r\n[unclosed\r\nkey\r\n; comment\r\n[]\r\n=x\r\n\0[KPLUGtool]\r\nHidden=\r\n"s);
    EXPECT_FALSE(s.HasSection("KPLUGtool")); // nothing after the first zero byte counts
    EXPECT_TRUE(s.HasKey("unclosed", "key"));
    EXPECT_TRUE(ParseSpecs("").Sections().empty());
}

TEST(SpecsTest, CommentsAndBlankLinesAreNoKeysAndZeroBytesEndTheText) {
    const std::string text =
        "; written by hand\r\n\r\n[KPLUGopen]\r\n; the usual name first\r\njpg=\r\n\r\n"
        "   \r\n\t\r\njpe=\r\n;tif=\r\n[KPLUGinfo]\r\n\r\njpg=\r\n\0\0\0[KPLUGsave]\r\njpg=\r\n"s;
    TSpecs s = ParseSpecs(text);
    ASSERT_EQ(s.Sections().size(), 2u);
    EXPECT_EQ(s.Keys("KPLUGopen"), (std::vector<std::string>{"jpg", "jpe"}));
    EXPECT_EQ(s.Keys("KPLUGinfo"), (std::vector<std::string>{"jpg"}));
    EXPECT_FALSE(s.HasSection("KPLUGsave"));
    // The same text with the zero bytes as its only end: nothing after them, however many.
    EXPECT_EQ(WriteSpecs(ParseSpecs(text.substr(0, text.find('\0')) + std::string(40, '\0'))), WriteSpecs(s));
}

TEST(SpecsTest, JpegLibraryCarriesItsCompleteResource) {
    kovalin::UniqueHModule lib(LoadLibraryA((testsupport::ExeFolder() + "plugins\\kv_jpeg.dll").c_str()));
    ASSERT_TRUE(lib);
    auto bytes = SpecsResourceBytes(lib.get());
    ASSERT_TRUE(bytes.has_value());
    std::string text = *bytes;
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    EXPECT_EQ(text, WriteSpecs(ExpectedJpegSpecs()));
    auto specs = ReadSpecs(lib.get());
    ASSERT_TRUE(specs.has_value());
    EXPECT_EQ(specs->Keys("KPLUGinfo"), (std::vector<std::string>{"jpg", "jpeg", "jpe", "jfif"}));

    // The entry points are exported under their plain names.
    EXPECT_NE(GetProcAddress(lib.get(), kKPLUGopen), nullptr);
    EXPECT_NE(GetProcAddress(lib.get(), kKPLUGinfo), nullptr);
    EXPECT_EQ(GetProcAddress(lib.get(), "KPLUGopen@12"), nullptr);
    EXPECT_EQ(GetProcAddress(lib.get(), "_KPLUGopen@12"), nullptr);
}

TEST(SpecsTest, ResourceFoundWhateverItsLanguage) {
    kovalin::UniqueHModule probe(LoadLibraryA((testsupport::ExeFolder() + "specs_probe.dll").c_str()));
    ASSERT_TRUE(probe);
    auto specs = ReadSpecs(probe.get());
    ASSERT_TRUE(specs.has_value());
    EXPECT_TRUE(specs->HasKey("KPLUGfilter", "Probe Filter"));
    // A module without the resource has no SPECS at all.
    EXPECT_FALSE(ReadSpecs(GetModuleHandleA(nullptr)).has_value());
}

} // namespace
