// What the filter bridge tests share: the test filter and its switches and log, images with a
// known pattern, the heap blocks and the dialogs of the process.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace xftest {

// The test filter library built beside the tests, and a library without the filter's export.
std::string TestFilterPath();
std::string NoEntryLibraryPath();

// Sets an environment variable for the lifetime of the object, then restores it.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value);
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv();

private:
    std::string name_;
    std::string old_;
    bool had_;
};

// The test filter's log file, switched on for the lifetime of the object.
class FilterLog {
public:
    explicit FilterLog(const std::string& path);
    std::vector<std::string> Lines() const;
    // The first line that starts with the prefix, "" when there is none.
    std::string Find(const std::string& prefix) const;
    bool Has(const std::string& prefix) const { return !Find(prefix).empty(); }
    void Clear() const;

private:
    std::string path_;
    ScopedEnv env_;
};

// The colour the tests paint at (x, y) of a top-down image, as blue, green, red.
void PatternAt(int x, int y, uint8_t bgr[3]);
// A 32-bit DIB section of the pattern.
HBITMAP MakePatternBitmap(int width, int height);
// A 256-colour DIB section.
HBITMAP MakePaletteBitmap(int width, int height);
// A 24-bit device-independent image block of the pattern, built by hand.
HGLOBAL MakePatternDib(int width, int height);

// Busy blocks of the process heap, where global memory comes from.
int HeapBlockCount();

// The text of a message box's message.
std::string MessageText(HWND box);

} // namespace xftest
