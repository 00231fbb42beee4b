// Lengths of the print preview: the measuring units, their conversion, and the paper sizes the
// printer drivers know by number.
#pragma once

#include <windows.h>

#include <cstdint>

namespace kvprint {

enum TUnits : uint8_t { mmPixel, mmLoMetric, mmHiMetric, mmLoEnglish, mmHiEnglish, mmTWIPS };

// a * b / c with a 64-bit intermediate, rounded to nearest (halves away from zero); 0 when c is 0.
int32_t MulDivRound(int32_t a, int32_t b, int32_t c);

// A length from one unit to another; dpi only matters where pixels are involved.
int32_t ConvertUnits(int32_t value, int32_t dpi, TUnits from, TUnits to);

// The screen's pixels per inch, across and down.
int ScreenPixelsPerInchX();
int ScreenPixelsPerInchY();

enum TPaperType : uint8_t {
    pLetter,
    pLetterSmall,
    pTabloid,
    pLedger,
    pLegal,
    pStatement,
    pExecutive,
    pA3,
    pA4,
    pA4Small,
    pA5,
    pB4,
    pB5,
    pFolio,
    pQuatro,
    p10x14,
    p11x17,
    pNote,
    pEnv9,
    pEnv10,
    pEnv11,
    pEnv12,
    pEnv14,
    pCSheet,
    pDSheet,
    pESheet,
    pEnvDL,
    pEnvC5,
    pEnvC3,
    pEnvC4,
    pEnvC6,
    pEnvC65,
    pEnvB4,
    pEnvB5,
    pEnvB6,
    pEnvItaly,
    pEnvMonarch,
    pEnvPersonal,
    pFanfoldUSStd,
    pFanfoldGermanStd,
    pFanfoldGermanLegal,
    pB4ISO,
    pJapanesePostcard,
    p9x11,
    p10x11,
    p15x11,
    pEnvInvite,
    pLetterExtra,
    pLegalExtra,
    TabloidExtra,
    pA4Extra,
    pLetterTransverse,
    pA4Transverse,
    pLetterExtraTransverse,
    pAPlus,
    pBPlus,
    pLetterPlus,
    pA4Plus,
    pA5Transverse,
    pB5Transverse,
    pA3Extra,
    pA5Extra,
    pB5Extra,
    pA2,
    pA3Transverse,
    pA3ExtraTransverse,
    pCustom
};

struct TPaperSizeInfo {
    short ID;      // the device mode's paper number (DMPAPER_...)
    int32_t Width; // portrait, in tenths of a millimetre (as the drivers store some sheets: landscape)
    int32_t Height;
};

// The size of a paper type; the type is taken to its low 7 bits, and the numbers past the table
// give the custom paper's row.
const TPaperSizeInfo& PaperSize(int type);
inline constexpr int kPaperTypeCount = pCustom + 1;

} // namespace kvprint
