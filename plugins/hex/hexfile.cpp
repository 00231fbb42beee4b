#include "plugins/hex/hexfile.h"

#include "kovalin/Exceptions.h"

#include <algorithm>

namespace kvhex {

namespace {

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string TempFolder() {
    char buf[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof buf, buf);
    std::string dir(buf, n > 0 && n < sizeof buf ? n : 0);
    while (!dir.empty() && (dir.back() == ' ' || dir.back() == '\t'))
        dir.pop_back();
    size_t first = dir.find_first_not_of(" \t");
    dir = first == std::string::npos ? std::string() : dir.substr(first);
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    return dir;
}

bool Opens(const std::string& path, DWORD access) {
    kovalin::UniqueFileHandle h(
        CreateFileA(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(h);
}

} // namespace

THexWorkingCopy::THexWorkingCopy() {
    std::string dir = TempFolder();
    for (int attempt = 0; attempt < 10000; ++attempt) {
        path_ = dir + kovalin::Format("%08X", static_cast<unsigned>(GetTickCount())) + ".HXVT";
        HANDLE h = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY,
                               nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            return;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return;
        Sleep(1); // the name is taken: wait for the next tick
    }
}

THexWorkingCopy::~THexWorkingCopy() {
    Close();
    DeleteFileA(path_.c_str());
}

bool THexWorkingCopy::CanRead(const std::string& source) {
    DWORD attr = GetFileAttributesA(source.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return Opens(source, GENERIC_READ);
}

bool THexWorkingCopy::CanWrite(const std::string& source) {
    return Opens(source, GENERIC_READ | GENERIC_WRITE);
}

void THexWorkingCopy::Truncate() {
    if (!file_) return;
    LARGE_INTEGER zero{};
    SetFilePointerEx(file_.get(), zero, nullptr, FILE_BEGIN);
    SetEndOfFile(file_.get());
}

void THexWorkingCopy::Close() {
    Truncate();
    window_.Attach(nullptr);
    file_.reset();
}

bool THexWorkingCopy::Load(const std::string& source) {
    Close();
    if (!CopyFileA(source.c_str(), path_.c_str(), FALSE)) return false;
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    file_.reset(CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    window_.Attach(file_ ? file_.get() : nullptr);
    return IsOpen();
}

void THexReadWindow::Attach(HANDLE file) {
    file_ = file;
    Invalidate();
}

void THexReadWindow::Invalidate() {
    start_ = -1;
    length_ = 0;
    size_ = -1;
}

int64_t THexReadWindow::Size() {
    if (size_ < 0) {
        LARGE_INTEGER s{};
        size_ = file_ && GetFileSizeEx(file_, &s) ? s.QuadPart : 0;
    }
    return size_;
}

int THexReadWindow::ByteAt(int64_t offset, int lookAhead) {
    if (offset < 0 || offset >= Size()) return -1;
    if (start_ < 0 || offset < start_ || start_ + kWindowSize < offset + lookAhead ||
        offset >= start_ + length_) {
        start_ = std::max<int64_t>(0, offset - kWindowSize / 2);
        length_ = 0;
        LARGE_INTEGER at;
        at.QuadPart = start_;
        DWORD got = 0;
        if (SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) &&
            ReadFile(file_, window_.data(), static_cast<DWORD>(kWindowSize), &got, nullptr))
            length_ = got;
        if (offset >= start_ + length_) {
            start_ = -1; // a read error: try again next time
            return -1;
        }
    }
    return window_[static_cast<size_t>(offset - start_)];
}

} // namespace kvhex
