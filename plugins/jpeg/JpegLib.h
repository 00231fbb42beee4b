// The JPEG codec's C interface, included the way Windows code must: windows.h first, so the
// codec's boolean is the platform's.
#pragma once

#include <windows.h>

#include <cstdio>

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}
