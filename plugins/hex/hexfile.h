// The hex view's private copy of the file it shows, and the 64 KiB window of it that is in memory.
// The viewed file itself is only ever read, once, to make the copy; everything afterwards reads
// the copy, so the view never holds more than the window however large the file is.
#pragma once

#include "kovalin/Handles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kvhex {

// A 64 KiB window onto a file the caller keeps open, and the file's size.
class THexReadWindow {
public:
    static constexpr int64_t kWindowSize = 65536;

    THexReadWindow() : window_(static_cast<size_t>(kWindowSize)) {}
    // The file to read (null for none); forgets what was read before.
    void Attach(HANDLE file);
    // 0 without a file; cached until Invalidate.
    int64_t Size();
    // The byte at offset, -1 past the end. The window is read again, centred on the offset, when
    // offset .. offset + lookAhead does not lie inside it.
    int ByteAt(int64_t offset, int lookAhead);
    void Invalidate();
    // Where the window starts in the file, -1 while it holds nothing.
    int64_t Start() const { return start_; }

private:
    HANDLE file_ = nullptr;
    std::vector<uint8_t> window_;
    int64_t start_ = -1;
    int64_t length_ = 0;
    int64_t size_ = -1;
};

class THexWorkingCopy {
public:
    // Picks a free name in the temporary folder and reserves it, so that two views started in the
    // same millisecond never share a copy.
    THexWorkingCopy();
    THexWorkingCopy(const THexWorkingCopy&) = delete;
    THexWorkingCopy& operator=(const THexWorkingCopy&) = delete;
    // Empties, closes and deletes the copy.
    ~THexWorkingCopy();

    const std::string& Path() const { return path_; }
    bool IsOpen() const { return static_cast<bool>(file_); }

    // Whether the file can be viewed: it exists and opens for reading with all sharing allowed.
    static bool CanRead(const std::string& source);
    // Whether it would also open for writing (the source's read-only state).
    static bool CanWrite(const std::string& source);
    // Replaces the copy by a copy of the source and opens it; false, with no copy open, when the
    // copy could not be made.
    bool Load(const std::string& source);
    // Empties and closes the copy.
    void Close();

    // Size of the copy, 0 when none is open; cached until Invalidate.
    int64_t Size() { return window_.Size(); }
    int ByteAt(int64_t offset, int lookAhead) { return window_.ByteAt(offset, lookAhead); }
    void Invalidate() { window_.Invalidate(); }
    int64_t WindowStart() const { return window_.Start(); }

private:
    void Truncate();

    std::string path_;
    kovalin::UniqueFileHandle file_;
    THexReadWindow window_;
};

} // namespace kvhex
