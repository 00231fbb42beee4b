#include "kovalin/Bitmap.h"
#include "kovalin/Exceptions.h"
#include "kovalin/BitmapHandle.h"
#include "kovalin/Stream.h"
#include "plugins/jpeg/jpeg.h"
#include "plugins/jpeg/jsettings.h"
#include "tests/plugins/jpeg/EncodeReference.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace kovalin;
using namespace kvjpeg;
using namespace testsupport;

namespace {

std::string Bytes(TJPEGImage& jpg) {
    TMemoryStream out;
    jpg.SaveToStream(out);
    return std::string(reinterpret_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
}

void Fill(TBitmap& bmp, const Pixels& p) {
    bmp.SetPixelFormat(TPixelFormat::pf24bit);
    bmp.SetSize(p.width, p.height);
    for (int y = 0; y < p.height; ++y)
        std::memcpy(bmp.ScanLine(y), p.At(0, y), static_cast<size_t>(p.width) * 3);
}

TEST(JpegEncodeTest, SettingsReachTheCodecAndTheDataRecordsThem) {
    Pixels p = PhotoPixels(50, 33);
    TBitmap bmp;
    Fill(bmp, p);
    const struct {
        int quality;
        bool grey, progressive;
    } cases[] = {
        {75, false, false}, {30, true, false}, {90, false, true}, {60, true, true}, {100, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.quality);
        TJPEGImage jpg;
        jpg.SetCompressionQuality(static_cast<TJPEGQualityRange>(c.quality));
        jpg.SetGrayscale(c.grey);
        jpg.SetProgressiveEncoding(c.progressive);
        jpg.Assign(bmp);
        EXPECT_TRUE(Bytes(jpg) == ReferenceEncode(p, c.quality, c.grey, c.progressive));
        EXPECT_EQ(jpg.Data().Width, 50);
        EXPECT_EQ(jpg.Data().Height, 33);
        EXPECT_EQ(jpg.Data().Grayscale, c.grey);
        // What was written reads back at its size.
        TMemoryStream again;
        jpg.SaveToStream(again);
        again.SetPosition(0);
        TJPEGImage back;
        back.LoadFromStream(again);
        EXPECT_EQ(back.Width(), 50);
        EXPECT_EQ(back.Grayscale(), c.grey);
        EXPECT_EQ(back.ProgressiveEncoding(), c.progressive);
    }
}

TEST(JpegEncodeTest, OddRowsSingleRowsAndPalettedBitmapsCompress) {
    for (auto [w, h] : {std::pair{1, 1}, {301, 1}, {1, 40}, {13, 7}}) {
        Pixels p = PhotoPixels(w, h);
        TBitmap bmp;
        Fill(bmp, p);
        TJPEGImage jpg;
        jpg.SetCompressionQuality(85);
        jpg.Assign(bmp);
        EXPECT_TRUE(Bytes(jpg) == ReferenceEncode(p, 85)) << w << "x" << h;
    }
    // An 8-bit grey bitmap goes through a 24-bit copy.
    TBitmap grey;
    grey.SetPixelFormat(TPixelFormat::pf8bit);
    grey.SetSize(20, 10);
    Pixels want;
    want.width = 20;
    want.height = 10;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            auto v = static_cast<uint8_t>(x * 12 + y);
            static_cast<uint8_t*>(grey.ScanLine(y))[x] = v;
            want.bgr.insert(want.bgr.end(), {v, v, v});
        }
    TJPEGImage jpg;
    jpg.SetCompressionQuality(70);
    jpg.Assign(grey);
    EXPECT_TRUE(Bytes(jpg) == ReferenceEncode(want, 70));
    EXPECT_EQ(grey.PixelFormat(), TPixelFormat::pf8bit); // the image's own bitmap is left alone
}

TEST(JpegEncodeTest, ProgressAbortAndEmptyImages) {
    TBitmap bmp;
    Fill(bmp, PhotoPixels(16, 16));
    TJPEGImage jpg;
    std::vector<std::pair<TProgressStage, int>> seen;
    jpg.OnProgress = [&](TGraphic&, TProgressStage s, int pct, bool, const RECT&, const std::string&) {
        seen.emplace_back(s, pct);
    };
    jpg.Assign(bmp);
    EXPECT_FALSE(Bytes(jpg).empty());
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair(TProgressStage::psStarting, 0));
    EXPECT_EQ(seen[1], std::make_pair(TProgressStage::psEnding, 100));

    // The user stops it: fresh empty data, nothing written.
    TJPEGImage stopped;
    stopped.OnProgress = [](TGraphic&, TProgressStage s, int, bool, const RECT&, const std::string&) {
        if (s == TProgressStage::psStarting) throw EAbort();
    };
    stopped.Assign(bmp);
    TMemoryStream out;
    stopped.SaveToStream(out);
    EXPECT_EQ(out.Size(), 0);
    ASSERT_NE(stopped.Data().Data, nullptr);
    EXPECT_EQ(stopped.Data().Data->Size(), 0);

    // Nothing to compress gives no bytes.
    TJPEGImage empty;
    EXPECT_TRUE(Bytes(empty).empty());
    TBitmap none;
    empty.Assign(none);
    EXPECT_TRUE(Bytes(empty).empty());
    EXPECT_TRUE(empty.Empty());
}

TEST(JpegEncodeTest, LoadedBytesAreWrittenBackUnchanged) {
    std::string file = ReferenceEncode(PhotoPixels(24, 24), 42);
    TMemoryStream in;
    in.WriteBuffer(file.data(), file.size());
    in.SetPosition(0);
    TJPEGImage jpg;
    jpg.LoadFromStream(in);
    jpg.SetCompressionQuality(99); // held bytes are not compressed again
    EXPECT_TRUE(Bytes(jpg) == file);
}

TEST(JpegEncodeTest, HostBitmapsOfAnyKindReadAsTheirPixels) {
    Pixels p = PhotoPixels(9, 5);
    for (HostBitmapKind kind : kAllHostBitmapKinds) {
        HBITMAP h = MakeHostBitmap(p, kind);
        std::unique_ptr<TBitmap> bmp = CopyBitmapHandle(h);
        DeleteObject(h);
        ASSERT_EQ(bmp->Width(), 9);
        ASSERT_EQ(bmp->Height(), 5);
        for (int y = 0; y < 5; ++y)
            EXPECT_EQ(std::memcmp(bmp->ScanLine(y), p.At(0, y), 27), 0)
                << static_cast<int>(kind) << " row " << y;
    }
    EXPECT_THROW(CopyBitmapHandle(nullptr), EInvalidGraphic);
    HBRUSH notABitmap = CreateSolidBrush(0);
    EXPECT_THROW(CopyBitmapHandle(reinterpret_cast<HBITMAP>(notABitmap)), EInvalidGraphic);
    DeleteObject(notABitmap);
}

TEST(JpegEncodeTest, QualityTextConvertsLikeTheStoredNumberIsMeant) {
    int v = 0;
    EXPECT_TRUE(TryStrToInt("80", v));
    EXPECT_EQ(v, 80);
    EXPECT_TRUE(TryStrToInt("-12", v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(TryStrToInt("  7", v));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(TryStrToInt("-2147483648", v));
    EXPECT_EQ(v, INT32_MIN);
    for (const char* bad : {"", "abc", "8O", "12 ", "+", "2147483648", "1e3", "0x10"})
        EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
    EXPECT_THROW(StrToInt("abc"), EConvertError);
}

} // namespace
