// The preview's pages: recordings kept one after another in one stream, in memory or in a
// temporary file, and brought back one at a time.
#pragma once

#include "kovalin/Metafile.h"
#include "kovalin/Stream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kvprint {

class TMetaFileList {
public:
    TMetaFileList() = default;
    TMetaFileList(const TMetaFileList&) = delete;
    TMetaFileList& operator=(const TMetaFileList&) = delete;
    ~TMetaFileList();

    // Appends the recording as the last page.
    void Add(kovalin::TMetafile& recording);
    int Count() const { return static_cast<int>(offsets_.size()); }
    // Page `index` (0-based) in the one recording object the list keeps: valid until the next
    // Items or Clear. An index outside the pages gives an empty recording.
    kovalin::TMetafile& Items(int index);
    void Clear();

    bool UseTempFile() const { return useTempFile_; }
    // Moves the pages to the other kind of store, keeping every one.
    void SetUseTempFile(bool value);
    // The temporary file's path; empty while the pages are in memory.
    const std::string& TempFileName() const { return tempFile_; }

private:
    std::unique_ptr<kovalin::TStream> CreateStream();
    void DeleteTempFile();

    bool useTempFile_ = false;
    std::vector<uint32_t> offsets_;
    std::unique_ptr<kovalin::TStream> stream_;
    std::string tempFile_;
    std::unique_ptr<kovalin::TMetafile> cached_;
};

} // namespace kvprint
