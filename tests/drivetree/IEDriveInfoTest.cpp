#include "shell/IEDriveInfo.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Registry.h"
#include "shell/PIDL.h"
#include "tests/support/Drives.h"

#include <winnetwk.h>

#include <gtest/gtest.h>

using namespace shell;
using kovalin::TRegistry;

namespace {

const char kPolicyKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

class IEDriveInfoTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override {
        TRegistry reg;
        if (reg.OpenKey(kPolicyKey, false)) reg.DeleteValue("NoDrives");
        CoUninitialize();
    }
    static void SetPolicyBinary(const void* data, int size) {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kPolicyKey, true));
        reg.WriteBinaryData("NoDrives", data, size);
    }
    static void SkipUnlessType(char drive, UINT type) {
        if (!testsupport::HasDrive(drive, type))
            GTEST_SKIP() << drive << ": is not set up (tests/drivetree/wine-drives.sh setup)";
    }
};

TEST_F(IEDriveInfoTest, LettersOutsideAToZRaise) {
    TDriveInfo info;
    try {
        info.GetDriveData('a');
        FAIL();
    } catch (const kovalin::EConvertError& e) {
        EXPECT_STREQ(e.Message(), "a is a invalid drive letter.");
    }
    EXPECT_THROW(info.GetImageIndex('@'), kovalin::EConvertError);
    EXPECT_THROW(info.GetPrettyName('['), kovalin::EConvertError);
    EXPECT_THROW(info.ReadDriveStatus('1', 0), kovalin::EConvertError);
    // The status read takes a lower-case letter as its upper-case one.
    EXPECT_TRUE(info.ReadDriveStatus('c', dsSize));
    EXPECT_TRUE(info.GetDriveData('C').Init);
}

TEST_F(IEDriveInfoTest, CreationReadsOnlyTypesAndValidity) {
    TDriveInfo info;
    TDriveInfoRec c = info.GetDriveData('C');
    EXPECT_EQ(c.DriveType, DRIVE_FIXED);
    EXPECT_TRUE(c.Valid);
    EXPECT_FALSE(c.Init);
    EXPECT_FALSE(c.DriveReady);
    EXPECT_EQ(c.Size, -1);
    EXPECT_EQ(c.PIDL, nullptr);
    EXPECT_TRUE(c.DisplayName.empty());
    EXPECT_EQ(c.ImageIndex, 0);
    TDriveInfoRec q = info.GetDriveData('Q'); // no such drive in the prefix
    EXPECT_EQ(q.DriveType, DRIVE_NO_ROOT_DIR);
    EXPECT_FALSE(q.Valid);
    EXPECT_EQ(info.GetPrettyName('Q'), "Q:");
    EXPECT_EQ(info.GetImageIndex('Q'), 0);
    EXPECT_FALSE(info.ReadDriveStatus('Q', dsSize | dsNames));
}

TEST_F(IEDriveInfoTest, FixedDriveReadsEveryAspect) {
    TDriveInfo info;
    EXPECT_TRUE(info.ReadDriveStatus('C', dsImageIndex | dsSize | dsNames));
    TDriveInfoRec c = info.GetDriveData('C');
    EXPECT_TRUE(c.DriveReady);
    EXPECT_GT(c.Size, 0);
    EXPECT_EQ(c.Size, TDriveInfo::DriveTotalSize(3));
    EXPECT_FALSE(c.FileSystemName.empty());
    EXPECT_GT(c.MaxFileNameLength, 0u);
    EXPECT_GT(c.ImageIndex, 0);
    shell::UniquePidl root(shell::PidlFromPath("C:\\"));
    EXPECT_TRUE(shell::PidlCompare(c.PIDL, root.get()));
    // Display name "<label> (C:)"; the pretty names drop the parenthesised letter.
    ASSERT_GE(c.DisplayName.size(), 4u);
    EXPECT_EQ(c.DisplayName.substr(c.DisplayName.size() - 4), "(C:)");
    std::string label = c.DisplayName.substr(0, c.DisplayName.size() - 4);
    EXPECT_EQ(c.PrettyName, "C: " + label);
    EXPECT_EQ(c.LongPrettyName, "C: " + label);
    EXPECT_EQ(info.GetPrettyName('C'), c.PrettyName);
    EXPECT_EQ(info.GetDriveDisplayName('C'), c.DisplayName);
    EXPECT_EQ(info.GetImageIndex('C'), c.ImageIndex);
    EXPECT_GT(TDriveInfo::DriveTotalSize(0), 0); // the current drive
}

TEST_F(IEDriveInfoTest, NamesAndIconAreReadOnDemand) {
    TDriveInfo info;
    std::string pretty = info.GetPrettyName('C');
    EXPECT_EQ(pretty.substr(0, 3), "C: ");
    EXPECT_TRUE(info.GetDriveData('C').Init);
    EXPECT_EQ(info.GetDriveData('C').Size, -1); // names did not need the size
    EXPECT_GT(info.GetImageIndex('C'), 0);
}

TEST_F(IEDriveInfoTest, NoDrivesPolicyAsBinaryOrIntegerHidesDrives) {
    DWORD hideC = 0x4;
    SetPolicyBinary(&hideC, 4);
    {
        TDriveInfo info;
        EXPECT_EQ(info.NoDrives(), 0x4u);
        EXPECT_FALSE(info.GetDriveData('C').Valid);
        EXPECT_TRUE(info.GetDriveData('Z').Valid);
        EXPECT_FALSE(info.ReadDriveStatus('C', dsSize | dsNames | dsImageIndex));
        EXPECT_EQ(info.GetPrettyName('C'), "C:");
        EXPECT_EQ(info.GetImageIndex('C'), 0);
        EXPECT_EQ(info.GetDriveData('C').Size, 0);
    }
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kPolicyKey, true));
        reg.WriteInteger("NoDrives", 1 << 25); // Z:
        TDriveInfo info;
        EXPECT_EQ(info.NoDrives(), 1u << 25);
        EXPECT_TRUE(info.GetDriveData('C').Valid);
        EXPECT_FALSE(info.GetDriveData('Z').Valid);
    }
}

TEST_F(IEDriveInfoTest, PolicyValuesOfOtherTypesHideNothing) {
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kPolicyKey, true));
        reg.WriteString("NoDrives", "4");
    }
    EXPECT_EQ(TDriveInfo().NoDrives(), 0u);
    const BYTE tooLong[8] = {4, 0, 0, 0, 0, 0, 0, 0};
    SetPolicyBinary(tooLong, sizeof tooLong);
    EXPECT_EQ(TDriveInfo().NoDrives(), 0u);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kPolicyKey, true));
    reg.DeleteValue("NoDrives");
    EXPECT_EQ(TDriveInfo().NoDrives(), 0u);
}

TEST_F(IEDriveInfoTest, CdRomLabelBecomesTheName) {
    SkipUnlessType('S', DRIVE_CDROM);
    TDriveInfo info;
    EXPECT_TRUE(info.ReadDriveStatus('S', dsSize | dsNames));
    TDriveInfoRec s = info.GetDriveData('S');
    EXPECT_EQ(s.DisplayName, "Mydisc (S:)");
    EXPECT_EQ(s.PrettyName, "S: Mydisc ");
    EXPECT_EQ(s.LongPrettyName, "S: Mydisc ");
    // Without the size read in the same call the label is not known and the shell names it.
    TDriveInfo other;
    other.ReadDriveStatus('S', dsNames);
    EXPECT_NE(other.GetDriveData('S').DisplayName, "");
}

TEST_F(IEDriveInfoTest, RemovableDriveWithoutMediumIsNamedByItsLetter) {
    SkipUnlessType('R', DRIVE_REMOVABLE);
    TDriveInfo info;
    EXPECT_TRUE(info.GetDriveData('R').Valid);
    // No system error box may appear: the call must simply come back.
    EXPECT_FALSE(info.ReadDriveStatus('R', dsSize | dsNames));
    TDriveInfoRec r = info.GetDriveData('R');
    EXPECT_FALSE(r.DriveReady);
    EXPECT_EQ(r.Size, -1);
    EXPECT_EQ(r.DriveSerial, 0u);
    EXPECT_EQ(r.DisplayName, "R:");
    EXPECT_EQ(r.PrettyName, "R:");
    EXPECT_EQ(r.LongPrettyName, "R:");
    EXPECT_EQ(r.PIDL, nullptr);
    EXPECT_EQ(TDriveInfo::DriveTotalSize('R' - 'A' + 1), -1);
}

TEST_F(IEDriveInfoTest, NetworkDriveIsNamedByItsShare) {
    SkipUnlessType('M', DRIVE_REMOTE);
    const std::string share = testsupport::RemoteName('M');
    const std::string last = testsupport::ShareLeaf(share);
    TDriveInfo info;
    EXPECT_TRUE(info.ReadDriveStatus('M', dsNames | dsSize));
    EXPECT_EQ(info.GetPrettyName('M'), "M: " + last);
    EXPECT_EQ(info.GetLongPrettyName('M'), "M: " + share);
}

} // namespace
