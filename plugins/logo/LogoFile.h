// Where the logo files live and how one is written: an 8-bit bitmap file, put in place only once
// it is complete, so that a failure leaves the old logo (or none) rather than half a new one.
#pragma once

#include "kovalin/Bitmap.h"
#include "kovalin/Exceptions.h"
#include "plugins/logo/logo.h"

#include <string>

namespace kvlogo {

// A file could not be created or replaced; carries the system's error code.
class EFCreateError : public kovalin::EOSError {
    using EOSError::EOSError;
};

// The Windows folder with a trailing backslash, and the root folder of its drive ("C:\").
struct TLogoFolders {
    std::string windows;
    std::string root;
};
TLogoFolders GetLogoFolders();
// The drive part of a path: "C:" or "\\server\share"; empty when it has none.
std::string ExtractFileDrive(const std::string& path);

// The file a choice writes.
std::string LogoFilePath(const TLogoFolders& folders, TLogoKind kind);

// The bitmap file of an 8-bit bitmap: file header, information header, 256 colour-table entries
// and the rows bottom-up.
std::string BitmapFileBytes(kovalin::TBitmap& bitmap);

// Writes the bytes to a temporary file beside `path` and moves it over `path`. A file there that
// cannot be written (read-only, in use) fails before anything is written.
void WriteFileReplacing(const std::string& path, const std::string& bytes);
// The replacement for systems that cannot move over an existing file: the old file steps aside
// under a temporary name until the new one is in place, and comes back if that fails.
void ReplaceByRenaming(const std::string& temporary, const std::string& path);

} // namespace kvlogo
