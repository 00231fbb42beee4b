#include "plugins/print/ToolImages.h"

#include "kovalin/Bitmap.h"

#include <cstdint>

namespace kvprint {

namespace {

// '.' is transparent; the letters name the colours below.
const char* const kArt[tiCount][16] = {
    {// paper: a sheet with a folded corner
     "...kkkkkkkk.....", "...kwwwwwwkk....", "...kwwwwwwkwk...", "...kwggggwkkkk..", "...kwwwwwwwwwk..",
     "...kwggggggwwk..", "...kwwwwwwwwwk..", "...kwggggggwwk..", "...kwwwwwwwwwk..", "...kwggggggwwk..",
     "...kwwwwwwwwwk..", "...kwggggggwwk..", "...kwwwwwwwwwk..", "...kwwwwwwwwwk..", "...kkkkkkkkkkk..",
     "................"},
    {// printer set-up: a printer with a spanner
     "................", ".....kkkkkk.....", ".....kwwwwk.....", ".....kwwwwk.....", "..kkkkkkkkkkkk..",
     ".kggggggggggggk.", ".kggggggggggyyk.", ".kggggggggggggk.", ".kkkkkkkkkkkkkk.", ".kgkwwwwwwwwkgk.",
     "..kkwwwwwwwwkk..", "....kwwwwwwk....", "....kkkkkkkk.rr.", "............rr..", "..........rr....",
     ".........rr....."},
    {// settings: an upright and a lying sheet
     "................", ".kkkkkk.........", ".kwwwwk.........", ".kwwwwk.........", ".kwwwwk.........",
     ".kwwwwk.........", ".kwwwwk..bb.....", ".kwwwwk...bb....", ".kkkkkk.bbbbb...", "..........bb....",
     ".....kkkkkkkkkk.", ".....kwwwwwwwwk.", ".....kwwwwwwwwk.", ".....kwwwwwwwwk.", ".....kkkkkkkkkk.",
     "................"},
    {// zoom: a magnifying glass
     "....kkkk........", "..kkwwwwkk......", ".kwwbwwwwwk.....", ".kwbwwwwwwk.....", "kwwbwwwwwwwk....",
     "kwwwwwwwwwwk....", "kwwwwwwwwwwk....", "kwwwwwwwwwwk....", ".kwwwwwwwwk.....", ".kwwwwwwwwk.....",
     "..kkwwwwkkkk....", "....kkkk.kkkk...", "..........kkkk..", "...........kkkk.", "............kkk.",
     "................"},
    {// position: a sheet with cross hairs at the corner of the picture
     "kkkkkkkkkkkkkk..", "kwwwwwwwwwwwwk..", "kwwwrwwwwwwwwk..", "kwwwrwwwwwwwwk..", "kwrrrrrwwwwwwk..",
     "kwwwrbbbbbbwwk..", "kwwwrbbbbbbwwk..", "kwwwwbbbbbbwwk..", "kwwwwbbbbbbwwk..", "kwwwwbbbbbbwwk..",
     "kwwwwwwwwwwwwk..", "kwwwwwwwwwwwwk..", "kwwwwwwwwwwwwk..", "kwwwwwwwwwwwwk..", "kkkkkkkkkkkkkk..",
     "................"},
    {// draw image: a landscape picture
     "................", "kkkkkkkkkkkkkkkk", "kbbbbbbbbbbbyybk", "kbbbbbbbbbbyyyyk", "kbbbbbbbbbbbyybk",
     "kbbbbbbgbbbbbbbk", "kbbbbbgggbbbbbbk", "kbbbbgggggbbbbbk", "kbbbgggggggbbgbk", "kbbgggggggggggbk",
     "kbggggggggggggbk", "kggggggggggggggk", "kggggggggggggggk", "kkkkkkkkkkkkkkkk", "................",
     "................"},
    {// print: a printer with a sheet coming out
     "................", "....kkkkkkkk....", "....kwwwwwwk....", "....kwggggwk....", "....kwwwwwwk....",
     "..kkkkkkkkkkkk..", ".kggggggggggggk.", ".kgggggggggyygk.", ".kggggggggggggk.", ".kkkkkkkkkkkkkk.",
     ".kgkwwwwwwwwkgk.", "..kkwggggggwkk..", "....kwwwwwwk....", "....kwggggwk....", "....kkkkkkkk....",
     "................"},
    {// close: a red cross
     "................", ".rr.........rr..", ".rrr.......rrr..", "..rrr.....rrr...", "...rrr...rrr....",
     "....rrr.rrr.....", ".....rrrrr......", "......rrr.......", ".....rrrrr......", "....rrr.rrr.....",
     "...rrr...rrr....", "..rrr.....rrr...", ".rrr.......rrr..", ".rr.........rr..", "................",
     "................"},
};

const COLORREF kMask = RGB(255, 0, 255);

COLORREF ColourOf(char c) {
    switch (c) {
    case 'k':
        return RGB(0, 0, 0);
    case 'w':
        return RGB(255, 255, 255);
    case 'g':
        return RGB(128, 128, 128);
    case 'b':
        return RGB(0, 0, 192);
    case 'r':
        return RGB(192, 0, 0);
    case 'y':
        return RGB(255, 224, 0);
    default:
        return kMask;
    }
}

} // namespace

void AddToolImages(kovalin::TImageList& list) {
    kovalin::TBitmap strip;
    strip.SetPixelFormat(kovalin::TPixelFormat::pf24bit);
    strip.SetSize(16 * tiCount, 16);
    for (int y = 0; y < 16; ++y) {
        auto* row = static_cast<uint8_t*>(strip.ScanLine(y));
        for (int image = 0; image < tiCount; ++image)
            for (int x = 0; x < 16; ++x) {
                COLORREF c = ColourOf(kArt[image][y][x]);
                uint8_t* px = row + 3 * (16 * image + x);
                px[0] = GetBValue(c);
                px[1] = GetGValue(c);
                px[2] = GetRValue(c);
            }
    }
    list.AddMasked(strip.Handle(), kMask);
}

} // namespace kvprint
