#include "kovalin/Exceptions.h"
#include "kovalin/Stream.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace kovalin;
using testsupport::TempDir;

TEST(StreamTest, MemoryStreamReadsWritesAndSeeks) {
    TMemoryStream m;
    m.WriteBuffer("hello world", 11);
    EXPECT_EQ(m.Size(), 11);
    m.SetPosition(6);
    char buf[8] = {};
    EXPECT_EQ(m.Read(buf, sizeof buf), 5u);
    EXPECT_STREQ(buf, "world");
    EXPECT_EQ(m.Read(buf, 1), 0u);
    m.SetPosition(9);
    EXPECT_THROW(m.ReadBuffer(buf, 3), EStreamError); // short read
    m.SetSize(5);
    EXPECT_EQ(m.Position(), 5);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Memory()), 5), "hello");
}

TEST(StreamTest, FileStreamRoundTripAndErrors) {
    TempDir dir;
    std::string path = dir / "data.bin";
    {
        TFileStream f(path, TFileMode::fmCreate);
        f.WriteBuffer("abcdef", 6);
    }
    TFileStream f(path, TFileMode::fmOpenRead);
    EXPECT_EQ(f.Size(), 6);
    f.SetPosition(2);
    TMemoryStream m;
    EXPECT_EQ(m.CopyFrom(f, 3), 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Memory()), 3), "cde");

    try {
        TFileStream missing(dir / "none.jpg", TFileMode::fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EStreamError& e) {
        EXPECT_NE(std::string(e.Message()).find("Cannot open file \"" + dir / "none.jpg" + "\""),
                  std::string::npos);
    }
}
