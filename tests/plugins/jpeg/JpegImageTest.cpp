#include "kovalin/PictureFormats.h"
#include "plugins/jpeg/JpegLib.h"
#include "plugins/jpeg/jpeg.h"
#include "tests/support/JpegFixtures.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>

using namespace kovalin;
using namespace kvjpeg;
using namespace testsupport;

namespace {

void Load(TJPEGImage& img, const std::string& bytes) {
    TMemoryStream m;
    m.WriteBuffer(bytes.data(), bytes.size());
    m.SetPosition(0);
    img.LoadFromStream(m);
}

// Pixels of an 8- or 24-bit bitmap, as colours.
Pixels Decoded(TJPEGImage& img) {
    return BitmapPixels(img.Bitmap().Handle());
}

TEST(JpegImageTest, NewImagesTakeTheDefaults) {
    TJPEGImage img;
    EXPECT_EQ(img.CompressionQuality(), 90);
    EXPECT_FALSE(img.Grayscale());
    EXPECT_EQ(img.Performance(), TJPEGPerformance::jpBestQuality);
    EXPECT_EQ(img.PixelFormat(), TJPEGPixelFormat::jf24Bit); // the test display has 24 bits per pixel
    EXPECT_FALSE(img.ProgressiveDisplay());
    EXPECT_FALSE(img.ProgressiveEncoding());
    EXPECT_EQ(img.Scale(), TJPEGScale::jsFullSize);
    EXPECT_TRUE(img.Smoothing());
    EXPECT_TRUE(img.Empty());

    TJPEGDefaults saved = JPEGDefaults();
    JPEGDefaults().Scale = TJPEGScale::jsQuarter;
    JPEGDefaults().CompressionQuality = 55;
    TJPEGImage changed;
    JPEGDefaults() = saved;
    EXPECT_EQ(changed.Scale(), TJPEGScale::jsQuarter);
    EXPECT_EQ(changed.CompressionQuality(), 55);
}

TEST(JpegImageTest, LoadingReadsTheHeaderFromTheStreamPosition) {
    std::string jpeg = MakeJpeg({.width = 40, .height = 30, .progressive = true});
    TMemoryStream m;
    m.WriteBuffer("prefix", 6);
    m.WriteBuffer(jpeg.data(), jpeg.size());
    m.SetPosition(6);
    TJPEGImage img;
    int changes = 0;
    img.OnChange = [&](TGraphic&) { ++changes; };
    img.LoadFromStream(m);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(img.Width(), 40);
    EXPECT_EQ(img.Height(), 30);
    EXPECT_TRUE(img.ProgressiveEncoding());
    EXPECT_FALSE(img.Grayscale());
    EXPECT_EQ(img.Data().Data->Size(), static_cast<int64_t>(jpeg.size()));
    EXPECT_FALSE(img.Empty());

    Load(img, MakeJpeg({.width = 8, .height = 8, .grayscale = true}));
    EXPECT_TRUE(img.Grayscale());
    EXPECT_FALSE(img.ProgressiveEncoding());
}

TEST(JpegImageTest, SizeCannotBeChanged) {
    TJPEGImage img;
    Load(img, MakeJpeg({}));
    try {
        img.SetWidth(10);
        FAIL();
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_STREQ(e.Message(), "Cannot change the size of a JPEG image");
    }
    EXPECT_THROW(img.SetHeight(10), EInvalidGraphicOperation);
    EXPECT_EQ(img.Width(), 64);
}

TEST(JpegImageTest, CodecErrorsCarryOnlyTheMessageCode) {
    std::string jpeg = MakeJpeg({});
    std::string notJpeg = "GIF89a" + std::string(100, 'x');
    TJPEGImage img;
    try {
        Load(img, notJpeg);
        FAIL();
    } catch (const EJPEG& e) {
        // JERR_NO_SOI: "Not a JPEG file"
        EXPECT_EQ(std::string(e.Message()), "JPEG error #" + std::to_string(static_cast<int>(JERR_NO_SOI)));
    }
    // A codec error is an invalid-graphic error too.
    EXPECT_THROW(Load(img, jpeg.substr(0, 40)), EInvalidGraphic);
    // Cut inside the scan data: the header reads, decoding fails.
    Load(img, jpeg.substr(0, jpeg.size() - 200));
    EXPECT_THROW(img.Bitmap(), EJPEG);
    // An empty stream loads as no data and cannot be decoded.
    Load(img, "");
    EXPECT_TRUE(img.Empty());
    EXPECT_EQ(img.Width(), 0);
    EXPECT_THROW(img.Bitmap(), EJPEG);
}

// The message of the codec error that the action raises, or "" when it raises none.
std::string CodecMessage(const std::function<void()>& action) {
    try {
        action();
    } catch (const EJPEG& e) {
        return e.Message();
    }
    return std::string();
}

std::string ErrorText(J_MESSAGE_CODE code) {
    return "JPEG error #" + std::to_string(static_cast<int>(code));
}

TEST(JpegImageTest, EmptyAndTruncatedFilesEachGiveTheirOwnCodecNumber) {
    const std::string jpeg = MakeJpeg({});
    TJPEGImage img;
    Load(img, "");
    EXPECT_EQ(CodecMessage([&] { img.Bitmap(); }), ErrorText(JERR_INPUT_EMPTY));
    EXPECT_EQ(CodecMessage([&] { Load(img, jpeg.substr(0, 40)); }), ErrorText(JERR_INPUT_EOF));
    Load(img, jpeg.substr(0, jpeg.size() - 200));
    EXPECT_EQ(CodecMessage([&] { img.Bitmap(); }), ErrorText(JERR_INPUT_EOF));
    EXPECT_NE(JERR_INPUT_EMPTY, JERR_INPUT_EOF);
}

TEST(JpegImageTest, ReducedScalesGiveTheDecodersSizes) {
    TJPEGImage img;
    Load(img, MakeJpeg({.width = 101, .height = 37}));
    const int expected[][2] = {{101, 37}, {51, 19}, {26, 10}, {13, 5}};
    for (int s = 0; s < 4; ++s) {
        img.SetScale(static_cast<TJPEGScale>(s));
        EXPECT_EQ(img.Width(), expected[s][0]) << "scale " << s;
        EXPECT_EQ(img.Height(), expected[s][1]) << "scale " << s;
        TBitmap& bmp = img.Bitmap();
        EXPECT_EQ(bmp.Width(), expected[s][0]);
        EXPECT_EQ(bmp.Height(), expected[s][1]);
    }
}

TEST(JpegImageTest, GreyscaleDecodingGivesEightBitGrey) {
    TJPEGImage img;
    Load(img, MakeJpeg({.width = 50, .height = 20}));
    img.SetGrayscale(true);
    EXPECT_TRUE(img.Grayscale());
    EXPECT_EQ(img.Bitmap().PixelFormat(), TPixelFormat::pf8bit);
    Pixels p = Decoded(img);
    std::set<int> levels;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const uint8_t* c = p.At(x, y);
            ASSERT_EQ(c[0], c[1]);
            ASSERT_EQ(c[1], c[2]);
            levels.insert(c[0]);
        }
    EXPECT_LE(levels.size(), 236u);
    EXPECT_GT(levels.size(), 20u);
}

TEST(JpegImageTest, EightBitFormatQuantisesTo236Colours) {
    std::string jpeg = MakeJpeg({.width = 120, .height = 80});
    Pixels reference = ReferenceDecode(jpeg);
    for (auto perf : {TJPEGPerformance::jpBestQuality, TJPEGPerformance::jpBestSpeed}) {
        TJPEGImage img;
        Load(img, jpeg);
        img.SetPixelFormat(TJPEGPixelFormat::jf8Bit);
        img.SetPerformance(perf);
        TBitmap& bmp = img.Bitmap();
        ASSERT_EQ(bmp.PixelFormat(), TPixelFormat::pf8bit);
        PALETTEENTRY entries[256];
        UINT n = GetPaletteEntries(bmp.Palette(), 0, 256, entries);
        EXPECT_GT(n, 16u);
        EXPECT_LE(n, 236u);
        // Dithered, but close to the full-colour decode on average.
        Pixels p = Decoded(img);
        double err = 0;
        for (size_t i = 0; i < p.bgr.size(); ++i)
            err += std::abs(int(p.bgr[i]) - int(reference.bgr[i]));
        EXPECT_LT(err / p.bgr.size(), 16.0);
    }
}

TEST(JpegImageTest, SuppliedPaletteBecomesTheColourMap) {
    TJPEGImage img;
    Load(img, MakeJpeg({.width = 32, .height = 32}));
    img.SetPixelFormat(TJPEGPixelFormat::jf8Bit);
    struct {
        LOGPALETTE lp;
        PALETTEENTRY more[1];
    } pal{{0x300, 2, {{0, 0, 0, 0}}}, {{255, 255, 255, 0}}};
    img.SetPalette(CreatePalette(&pal.lp));
    Pixels p = Decoded(img);
    for (uint8_t v : p.bgr)
        ASSERT_TRUE(v == 0 || v == 255);
}

TEST(JpegImageTest, ProgressiveDisplayEndsWithTheSameImage) {
    std::string jpeg = MakeJpeg({.width = 90, .height = 70, .progressive = true});
    TJPEGImage plain;
    Load(plain, jpeg);
    TJPEGImage shown;
    Load(shown, jpeg);
    shown.SetProgressiveDisplay(true);
    std::vector<TProgressStage> stages;
    std::vector<int> percents;
    shown.OnProgress = [&](TGraphic&, TProgressStage s, int pct, bool, const RECT&, const std::string&) {
        stages.push_back(s);
        percents.push_back(pct);
    };
    Pixels a = Decoded(plain), b = Decoded(shown);
    EXPECT_EQ(a.bgr, b.bgr);
    ASSERT_GE(stages.size(), 2u);
    EXPECT_EQ(stages.front(), TProgressStage::psStarting);
    EXPECT_EQ(percents.front(), 0);
    EXPECT_EQ(stages.back(), TProgressStage::psEnding);
    EXPECT_EQ(percents.back(), 100);

    // With colour reduction the final pass builds its own palette.
    shown.SetPixelFormat(TJPEGPixelFormat::jf8Bit);
    EXPECT_EQ(shown.Bitmap().PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_NE(shown.Bitmap().Palette(), nullptr);
}

TEST(JpegImageTest, AbortFromProgressEndsDecodingQuietly) {
    TJPEGImage img;
    Load(img, MakeJpeg({}));
    img.OnProgress = [](TGraphic&, TProgressStage s, int, bool, const RECT&, const std::string&) {
        if (s == TProgressStage::psStarting) throw EAbort();
    };
    EXPECT_NO_THROW(img.Bitmap());
}

TEST(JpegImageTest, AssignSharesDataAndCopiesPixels) {
    TJPEGImage a;
    Load(a, MakeJpeg({.width = 20, .height = 10}));
    a.DIBNeeded();
    TJPEGImage b;
    b.Assign(a);
    EXPECT_EQ(&a.Data(), &b.Data());
    EXPECT_TRUE(b.Equals(a));
    EXPECT_NE(b.Bitmap().Handle(), a.Bitmap().Handle());
    EXPECT_EQ(Decoded(a).bgr, Decoded(b).bgr);

    TJPEGImage c;
    Load(c, MakeJpeg({.width = 20, .height = 10}));
    EXPECT_TRUE(c.Equals(a)); // same bytes, different data objects
    TBitmap plainBitmap;
    EXPECT_FALSE(a.Equals(plainBitmap));

    TBitmap out;
    a.AssignTo(out);
    EXPECT_EQ(out.Width(), 20);
    TJPEGImage fromBitmap;
    fromBitmap.Assign(out);
    EXPECT_EQ(fromBitmap.Width(), 20);
    EXPECT_FALSE(fromBitmap.Empty());
    EXPECT_FALSE(fromBitmap.Equals(a));
}

TEST(JpegImageTest, PersistenceFormIsCountThenBytes) {
    std::string jpeg = MakeJpeg({.width = 9, .height = 9});
    TJPEGImage a;
    Load(a, jpeg);
    TMemoryStream m;
    a.WriteData(m);
    ASSERT_EQ(m.Size(), static_cast<int64_t>(4 + jpeg.size()));
    uint32_t count;
    std::memcpy(&count, m.Memory(), 4);
    EXPECT_EQ(count, jpeg.size());
    m.WriteBuffer("tail", 4); // what follows the image in a property stream is not read
    m.SetPosition(0);
    TJPEGImage b;
    b.ReadData(m);
    EXPECT_TRUE(b.Equals(a));
    EXPECT_EQ(m.Position(), static_cast<int64_t>(4 + jpeg.size()));

    TMemoryStream none;
    TJPEGImage empty;
    empty.WriteData(none);
    EXPECT_EQ(none.Size(), 4);
    none.SetPosition(0);
    b.ReadData(none);
    EXPECT_TRUE(b.Empty());
}

TEST(JpegImageTest, FormatRegistryKnowsJpegAndJpg) {
    RegisterJPEGFormat();
    RegisterJPEGFormat(); // every entry point registers: the second call adds nothing
    EXPECT_EQ(TPictureFormats::All().size(), 2u);
    const TPictureFormat* f = TPictureFormats::Find("JPG");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->description, "JPEG Image File");
    ASSERT_NE(TPictureFormats::Find("jpeg"), nullptr);
    EXPECT_NE(dynamic_cast<TJPEGImage*>(f->create().get()), nullptr);
    UnregisterJPEGFormat();
    EXPECT_EQ(TPictureFormats::Find("jpg"), nullptr);
}

} // namespace
