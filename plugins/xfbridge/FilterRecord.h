// The parameter block and entry point of the published Photoshop filter plug-in interface, as its
// Windows headers lay them out: 4-byte packing, and on the 32-bit build exactly 452 bytes.
// The same declaration serves the 64-bit build, where pointers and handles take 8 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace xfbridge {

using int16 = int16_t;
using uint16 = uint16_t;
using int32 = int32_t;
using uint32 = uint32_t;
using Boolean = unsigned char;
using Fixed = int32_t; // 16.16 fixed point
using OSType = uint32_t;

// A handle is a block that holds the pointer to its data (both global-memory blocks here).
using PIHandle = char**;

// Suites and callbacks this host never offers; declared so the block carries real types.
struct BufferProcs;
struct ResourceProcs;
struct HandleProcs;
struct ImageServicesProcs;
struct PropertyProcs;
struct PIDescriptorParameters;
struct ChannelPortProcs;
struct ReadImageDocumentDesc;
struct SPBasicSuite;
struct PSPixelMap;
struct ColorServicesInfo;
struct PIProperty;

#pragma pack(push, 4)

struct Point {
    int16 v;
    int16 h;
};

struct Rect {
    int16 top;
    int16 left;
    int16 bottom;
    int16 right;
};

struct RGBColor {
    uint16 red;
    uint16 green;
    uint16 blue;
};

using FilterColor = unsigned char[4];

struct PlugInMonitor {
    Fixed gamma;
    Fixed redX, redY;
    Fixed greenX, greenY;
    Fixed blueX, blueY;
    Fixed whiteX, whiteY;
    Fixed ambient;
};

// What platformData points at on Windows: the window the filter's dialogs belong to.
struct PlatformData {
    intptr_t hwnd;
};

using TestAbortProc = Boolean(__cdecl*)(void);
using ProgressProc = void(__cdecl*)(int32 done, int32 total);
using HostProc = void(__cdecl*)(int16 selector, intptr_t* data);
using ProcessEventProc = void(__cdecl*)(void* event);
using DisplayPixelsProc = int16(__cdecl*)(const PSPixelMap* source, const Rect* srcRect, int32 dstRow,
                                          int32 dstCol, void* platformContext);
using AdvanceStateProc = int16(__cdecl*)(void);
using GetPropertyProc = int16(__cdecl*)(OSType signature, OSType key, int32 index, intptr_t* simpleProperty,
                                        PIHandle* complexProperty);
using ColorServicesProc = int16(__cdecl*)(ColorServicesInfo* info);

struct FilterRecord {
    int32 serialNumber;
    TestAbortProc abortProc;
    ProgressProc progressProc;
    PIHandle parameters;

    Point imageSize;
    int16 planes;
    Rect filterRect;

    RGBColor background;
    RGBColor foreground;

    int32 maxSpace;
    int32 bufferSpace;

    Rect inRect;
    int16 inLoPlane;
    int16 inHiPlane;

    Rect outRect;
    int16 outLoPlane;
    int16 outHiPlane;

    void* inData;
    int32 inRowBytes;
    void* outData;
    int32 outRowBytes;

    Boolean isFloating;
    Boolean haveMask;
    Boolean autoMask;

    Rect maskRect;
    void* maskData;
    int32 maskRowBytes;

    FilterColor backColor;
    FilterColor foreColor;

    OSType hostSig;
    HostProc hostProc;

    int16 imageMode;
    Fixed imageHRes;
    Fixed imageVRes;
    Point floatCoord;
    Point wholeSize;
    PlugInMonitor monitor;

    void* platformData;

    BufferProcs* bufferProcs;
    ResourceProcs* resourceProcs;
    ProcessEventProc processEvent;
    DisplayPixelsProc displayPixels;
    HandleProcs* handleProcs;

    Boolean supportsDummyChannels;
    Boolean supportsAlternateLayouts;
    int16 wantLayout;
    int16 filterCase;
    int16 dummyPlaneValue;
    void* premiereHook;
    AdvanceStateProc advanceState;

    Boolean supportsAbsolute;
    Boolean wantsAbsolute;
    GetPropertyProc getPropertyObsolete;
    Boolean cannotUndo;
    Boolean supportsPadding;
    int16 inputPadding;
    int16 outputPadding;
    int16 maskPadding;
    char samplingSupport;
    char reservedByte;
    Fixed inputRate;
    Fixed maskRate;
    ColorServicesProc colorServices;

    int16 inLayerPlanes;
    int16 inTransparencyMask;
    int16 inLayerMasks;
    int16 inInvertedLayerMasks;
    int16 inNonLayerPlanes;

    int16 outLayerPlanes;
    int16 outTransparencyMask;
    int16 outLayerMasks;
    int16 outInvertedLayerMasks;
    int16 outNonLayerPlanes;

    int16 absLayerPlanes;
    int16 absTransparencyMask;
    int16 absLayerMasks;
    int16 absInvertedLayerMasks;
    int16 absNonLayerPlanes;

    int16 inPreDummyPlanes;
    int16 inPostDummyPlanes;
    int16 outPreDummyPlanes;
    int16 outPostDummyPlanes;

    int32 inColumnBytes;
    int32 inPlaneBytes;
    int32 outColumnBytes;
    int32 outPlaneBytes;

    ImageServicesProcs* imageServicesProcs;
    PropertyProcs* propertyProcs;

    int16 inTileHeight;
    int16 inTileWidth;
    Point inTileOrigin;
    int16 absTileHeight;
    int16 absTileWidth;
    Point absTileOrigin;
    int16 outTileHeight;
    int16 outTileWidth;
    Point outTileOrigin;
    int16 maskTileHeight;
    int16 maskTileWidth;
    Point maskTileOrigin;

    PIDescriptorParameters* descriptorParameters;
    unsigned char* errorString; // a length-prefixed string
    ChannelPortProcs* channelPortProcs;
    ReadImageDocumentDesc* documentInfo;
    SPBasicSuite* sSPBasic;
    void* plugInRef;
    int32 depth;

    char reserved[66];
};

#pragma pack(pop)

// The filter's one export, "ENTRYPOINT".
using FilterEntryProc = void(__cdecl*)(int16 selector, FilterRecord* record, intptr_t* data, int16* result);

inline constexpr char kFilterEntryName[] = "ENTRYPOINT";

enum FilterSelector : int16 {
    filterSelectorAbout = 0,
    filterSelectorParameters = 1,
    filterSelectorPrepare = 2,
    filterSelectorStart = 3,
    filterSelectorContinue = 4,
    filterSelectorFinish = 5,
};

inline constexpr OSType kHostSignature = 0x53414249; // 'ABIS' as it lies in memory: 49 42 41 53
inline constexpr int16 plugInModeRGBColor = 3;

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(FilterRecord) == 452);
static_assert(offsetof(FilterRecord, abortProc) == 4);
static_assert(offsetof(FilterRecord, progressProc) == 8);
static_assert(offsetof(FilterRecord, parameters) == 12);
static_assert(offsetof(FilterRecord, imageSize) == 16 && offsetof(FilterRecord, imageSize.h) == 18);
static_assert(offsetof(FilterRecord, planes) == 20);
static_assert(offsetof(FilterRecord, filterRect.top) == 22 && offsetof(FilterRecord, filterRect.left) == 24);
static_assert(offsetof(FilterRecord, filterRect.bottom) == 26 &&
              offsetof(FilterRecord, filterRect.right) == 28);
static_assert(offsetof(FilterRecord, background) == 30 && offsetof(FilterRecord, foreground) == 36);
static_assert(offsetof(FilterRecord, maxSpace) == 44 && offsetof(FilterRecord, bufferSpace) == 48);
static_assert(offsetof(FilterRecord, inRect) == 52 && offsetof(FilterRecord, inLoPlane) == 60);
static_assert(offsetof(FilterRecord, inHiPlane) == 62 && offsetof(FilterRecord, outRect) == 64);
static_assert(offsetof(FilterRecord, outLoPlane) == 72 && offsetof(FilterRecord, outHiPlane) == 74);
static_assert(offsetof(FilterRecord, inData) == 76 && offsetof(FilterRecord, inRowBytes) == 80);
static_assert(offsetof(FilterRecord, outData) == 84 && offsetof(FilterRecord, outRowBytes) == 88);
static_assert(offsetof(FilterRecord, isFloating) == 92 && offsetof(FilterRecord, autoMask) == 94);
static_assert(offsetof(FilterRecord, maskRect) == 96 && offsetof(FilterRecord, maskData) == 104);
static_assert(offsetof(FilterRecord, maskRowBytes) == 108);
static_assert(offsetof(FilterRecord, backColor) == 112 && offsetof(FilterRecord, foreColor) == 116);
static_assert(offsetof(FilterRecord, hostSig) == 120 && offsetof(FilterRecord, hostProc) == 124);
static_assert(offsetof(FilterRecord, imageMode) == 128 && offsetof(FilterRecord, imageHRes) == 132);
static_assert(offsetof(FilterRecord, imageVRes) == 136 && offsetof(FilterRecord, floatCoord) == 140);
static_assert(offsetof(FilterRecord, wholeSize) == 144 && offsetof(FilterRecord, monitor) == 148);
static_assert(offsetof(FilterRecord, platformData) == 188 && offsetof(FilterRecord, bufferProcs) == 192);
static_assert(offsetof(FilterRecord, resourceProcs) == 196 && offsetof(FilterRecord, processEvent) == 200);
static_assert(offsetof(FilterRecord, displayPixels) == 204 && offsetof(FilterRecord, handleProcs) == 208);
static_assert(offsetof(FilterRecord, supportsDummyChannels) == 212 &&
              offsetof(FilterRecord, wantLayout) == 214);
static_assert(offsetof(FilterRecord, filterCase) == 216 && offsetof(FilterRecord, dummyPlaneValue) == 218);
static_assert(offsetof(FilterRecord, premiereHook) == 220 && offsetof(FilterRecord, advanceState) == 224);
static_assert(offsetof(FilterRecord, supportsAbsolute) == 228 &&
              offsetof(FilterRecord, wantsAbsolute) == 229);
static_assert(offsetof(FilterRecord, getPropertyObsolete) == 232 &&
              offsetof(FilterRecord, cannotUndo) == 236);
static_assert(offsetof(FilterRecord, supportsPadding) == 237 && offsetof(FilterRecord, inputPadding) == 238);
static_assert(offsetof(FilterRecord, outputPadding) == 240 && offsetof(FilterRecord, maskPadding) == 242);
static_assert(offsetof(FilterRecord, samplingSupport) == 244 && offsetof(FilterRecord, reservedByte) == 245);
static_assert(offsetof(FilterRecord, inputRate) == 248 && offsetof(FilterRecord, maskRate) == 252);
static_assert(offsetof(FilterRecord, colorServices) == 256);
static_assert(offsetof(FilterRecord, inLayerPlanes) == 260 &&
              offsetof(FilterRecord, inNonLayerPlanes) == 268);
static_assert(offsetof(FilterRecord, outLayerPlanes) == 270 &&
              offsetof(FilterRecord, outNonLayerPlanes) == 278);
static_assert(offsetof(FilterRecord, absLayerPlanes) == 280 &&
              offsetof(FilterRecord, absNonLayerPlanes) == 288);
static_assert(offsetof(FilterRecord, inPreDummyPlanes) == 290 &&
              offsetof(FilterRecord, outPostDummyPlanes) == 296);
static_assert(offsetof(FilterRecord, inColumnBytes) == 300 && offsetof(FilterRecord, inPlaneBytes) == 304);
static_assert(offsetof(FilterRecord, outColumnBytes) == 308 && offsetof(FilterRecord, outPlaneBytes) == 312);
static_assert(offsetof(FilterRecord, imageServicesProcs) == 316 &&
              offsetof(FilterRecord, propertyProcs) == 320);
static_assert(offsetof(FilterRecord, inTileHeight) == 324 && offsetof(FilterRecord, inTileOrigin) == 328);
static_assert(offsetof(FilterRecord, absTileHeight) == 332 && offsetof(FilterRecord, absTileOrigin) == 336);
static_assert(offsetof(FilterRecord, outTileHeight) == 340 && offsetof(FilterRecord, outTileOrigin) == 344);
static_assert(offsetof(FilterRecord, maskTileHeight) == 348 && offsetof(FilterRecord, maskTileOrigin) == 352);
static_assert(offsetof(FilterRecord, descriptorParameters) == 356 &&
              offsetof(FilterRecord, errorString) == 360);
static_assert(offsetof(FilterRecord, channelPortProcs) == 364 && offsetof(FilterRecord, documentInfo) == 368);
static_assert(offsetof(FilterRecord, sSPBasic) == 372 && offsetof(FilterRecord, plugInRef) == 376);
static_assert(offsetof(FilterRecord, depth) == 380 && offsetof(FilterRecord, reserved) == 384);
static_assert(sizeof(PlatformData) == 4);
#endif

} // namespace xfbridge
