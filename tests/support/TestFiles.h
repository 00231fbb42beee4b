// Scratch folders and whole-file reads and writes for tests.
#pragma once

#include <cstdint>
#include <string>

namespace testsupport {

// A fresh folder under the Windows temporary folder, deleted with everything in it at the end.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();
    const std::string& Path() const { return path_; }
    // Path of a file in the folder.
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
// A file of the given size made without writing its bytes (they read as zeros).
void WriteSizedFile(const std::string& path, int64_t size);
void DeleteTree(const std::string& path);

// Folder of the running test executable, with a trailing backslash.
std::string ExeFolder();

} // namespace testsupport
