#include "kovalin/Bitmap.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Metafile.h"
#include "kovalin/MetafileCanvas.h"
#include "kovalin/Stream.h"

#include <gtest/gtest.h>

using namespace kovalin;

TEST(MetafileTest, RecordsReplaysAndTravelsThroughStreams) {
    TMetafile mf;
    mf.SetWidth(200);
    mf.SetHeight(100);
    {
        TMetafileCanvas canvas(mf, nullptr);
        ASSERT_NE(canvas.Handle(), nullptr);
        canvas.FillRect({0, 0, 200, 100}, RGB(255, 255, 255));
        canvas.FillRect({100, 0, 200, 50}, RGB(0, 0, 255));
        EXPECT_FALSE(mf.HandleAllocated()); // the recording is handed over when the canvas ends
    }
    ASSERT_TRUE(mf.HandleAllocated());
    TMemoryStream s;
    s.WriteBuffer("xy", 2); // the metafile need not start the stream
    mf.SaveToStream(s);
    s.WriteBuffer("tail", 4);
    s.SetPosition(2);
    TMetafile copy;
    copy.LoadFromStream(s);
    EXPECT_EQ(s.Position(), s.Size() - 4);
    EXPECT_NEAR(copy.Width(), 200, 1);
    EXPECT_NEAR(copy.Height(), 100, 1);

    TBitmap bmp;
    bmp.SetSize(40, 20);
    bmp.Canvas().StretchDraw({0, 0, 40, 20}, copy);
    GdiFlush();
    EXPECT_EQ(GetPixel(bmp.Canvas().Handle(), 30, 5), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(bmp.Canvas().Handle(), 10, 5), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(bmp.Canvas().Handle(), 30, 15), RGB(255, 255, 255));

    TMemoryStream junk;
    std::string text(200, 'x');
    junk.WriteBuffer(text.data(), text.size());
    junk.SetPosition(0);
    EXPECT_THROW(copy.LoadFromStream(junk), EInvalidGraphic);
    TMetafile empty;
    EXPECT_THROW(empty.SaveToStream(s), EInvalidGraphicOperation);
}
