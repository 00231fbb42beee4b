// The codec's error manager as both directions use it: fatal errors raise EJPEG with the
// message code, warnings and traces are dropped.
#pragma once

#include "plugins/jpeg/JpegLib.h"

namespace kvjpeg {

void InitErrorMgr(jpeg_error_mgr& err);

} // namespace kvjpeg
