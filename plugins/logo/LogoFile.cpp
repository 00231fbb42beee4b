#include "plugins/logo/LogoFile.h"

#include "kovalin/Handles.h"

#include <cstring>
#include <vector>

namespace kvlogo {

using namespace kovalin;

std::string ExtractFileDrive(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // \\server\share: up to the backslash after the share name.
        size_t server = path.find('\\', 2);
        if (server == std::string::npos) return path;
        size_t share = path.find('\\', server + 1);
        return share == std::string::npos ? path : path.substr(0, share);
    }
    return std::string();
}

TLogoFolders GetLogoFolders() {
    char buf[MAX_PATH];
    UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) RaiseLastOSError("GetWindowsDirectory");
    TLogoFolders f;
    f.windows.assign(buf, n);
    if (f.windows.empty() || f.windows.back() != '\\') f.windows += '\\';
    f.root = ExtractFileDrive(f.windows) + '\\';
    return f;
}

std::string LogoFilePath(const TLogoFolders& folders, TLogoKind kind) {
    switch (kind) {
    case TLogoKind::lkShuttingDown:
        return folders.windows + "logow.sys";
    case TLogoKind::lkTurnOff:
        return folders.windows + "logos.sys";
    case TLogoKind::lkStartUp:
    default:
        return folders.root + "logo.sys";
    }
}

std::string BitmapFileBytes(TBitmap& bitmap) {
    if (bitmap.PixelFormat() != TPixelFormat::pf8bit || bitmap.Empty())
        throw EInvalidGraphicOperation("Only a non-empty 8-bit bitmap makes a logo file");
    const int width = bitmap.Width(), height = bitmap.Height();
    const size_t pitch = (static_cast<size_t>(width) + 3) & ~size_t(3);
    const size_t headers = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);
    std::string bytes(headers + pitch * static_cast<size_t>(height), '\0');

    PALETTEENTRY pe[256]{};
    UINT colors = bitmap.Palette() ? GetPaletteEntries(bitmap.Palette(), 0, 256, pe) : 0;

    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42; // "BM"
    fh.bfSize = static_cast<DWORD>(bytes.size());
    fh.bfOffBits = static_cast<DWORD>(headers);
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = width;
    ih.biHeight = height; // rows bottom-up
    ih.biPlanes = 1;
    ih.biBitCount = 8;
    ih.biCompression = BI_RGB;
    ih.biClrUsed = 256;
    ih.biClrImportant = colors;
    char* out = bytes.data();
    std::memcpy(out, &fh, sizeof fh);
    std::memcpy(out + sizeof fh, &ih, sizeof ih);
    auto* table = reinterpret_cast<RGBQUAD*>(out + sizeof fh + sizeof ih);
    for (UINT i = 0; i < colors; ++i)
        table[i] = {pe[i].peBlue, pe[i].peGreen, pe[i].peRed, 0};
    char* pixels = out + headers;
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels + static_cast<size_t>(height - 1 - y) * pitch, bitmap.ScanLine(y),
                    static_cast<size_t>(width));
    return bytes;
}

namespace {

[[noreturn]] void RaiseCreateError(const std::string& path, DWORD code) {
    throw EFCreateError(Format("Cannot create file \"%s\"", path.c_str()).c_str(), code);
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// A new empty file with a unique name in the folder.
std::string UniqueFileIn(const std::string& folder, const std::string& forPath) {
    char name[MAX_PATH];
    if (!GetTempFileNameA(folder.c_str(), "kvl", 0, name)) RaiseCreateError(forPath, GetLastError());
    return name;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Deletes a temporary file unless it has been moved into place.
class TempFile {
public:
    explicit TempFile(std::string path) : path_(std::move(path)) {}
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (!path_.empty()) DeleteFileA(path_.c_str());
    }
    const std::string& Path() const { return path_; }
    void Keep() { path_.clear(); }

private:
    std::string path_;
};

} // namespace

void ReplaceByRenaming(const std::string& temporary, const std::string& path) {
    std::string aside;
    if (Exists(path)) {
        aside = UniqueFileIn(FolderOf(path), path);
        DeleteFileA(aside.c_str());
        if (!MoveFileA(path.c_str(), aside.c_str())) RaiseCreateError(path, GetLastError());
    }
    if (!MoveFileA(temporary.c_str(), path.c_str())) {
        DWORD code = GetLastError();
        if (!aside.empty()) MoveFileA(aside.c_str(), path.c_str());
        RaiseCreateError(path, code);
    }
    if (!aside.empty()) DeleteFileA(aside.c_str());
}

void WriteFileReplacing(const std::string& path, const std::string& bytes) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // Moving over a file ignores its read-only flag, and a file in use may be moved on some
        // systems: ask for what writing it in place would need first. The flag is checked on its
        // own, since an administrator may open a read-only file for writing.
        if (attributes & FILE_ATTRIBUTE_READONLY) RaiseCreateError(path, ERROR_ACCESS_DENIED);
        UniqueFileHandle probe(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!probe) RaiseCreateError(path, GetLastError());
    }
    TempFile temp(UniqueFileIn(FolderOf(path), path));
    {
        UniqueFileHandle h(CreateFileA(temp.Path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h) RaiseCreateError(path, GetLastError());
        DWORD written = 0;
        if (!WriteFile(h.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
            RaiseCreateError(path, GetLastError());
        if (written != bytes.size()) RaiseCreateError(path, ERROR_HANDLE_DISK_FULL);
        if (!FlushFileBuffers(h.get())) RaiseCreateError(path, GetLastError());
    }
    if (MoveFileExA(temp.Path().c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        temp.Keep();
        return;
    }
    DWORD code = GetLastError();
    // The 95/98/Me family, where the logos live, has no MoveFileEx.
    if (code != ERROR_CALL_NOT_IMPLEMENTED) RaiseCreateError(path, code);
    ReplaceByRenaming(temp.Path(), path);
    temp.Keep();
}

} // namespace kvlogo
