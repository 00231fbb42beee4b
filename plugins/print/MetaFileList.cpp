#include "plugins/print/MetaFileList.h"

#include "kovalin/Exceptions.h"

#include <windows.h>

namespace kvprint {

using namespace kovalin;

TMetaFileList::~TMetaFileList() {
    Clear();
}

std::unique_ptr<TStream> TMetaFileList::CreateStream() {
    if (!useTempFile_) return std::make_unique<TMemoryStream>();
    char folder[MAX_PATH], path[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, folder);
    if (n == 0 || n >= MAX_PATH) RaiseLastOSError("GetTempPath");
    if (!GetTempFileNameA(folder, "TMP", 0, path)) RaiseLastOSError("GetTempFileName");
    tempFile_ = path;
    return std::make_unique<TFileStream>(tempFile_, TFileMode::fmCreate);
}

void TMetaFileList::DeleteTempFile() {
    if (!tempFile_.empty()) DeleteFileA(tempFile_.c_str());
    tempFile_.clear();
}

void TMetaFileList::Add(TMetafile& recording) {
    if (!stream_) stream_ = CreateStream();
    int64_t end = stream_->Size();
    // Offsets are 32 bits wide: a store that would grow past them is refused rather than wrapped.
    if (end > static_cast<int64_t>(UINT32_MAX)) throw EStreamError("Too many pages");
    stream_->SetPosition(end);
    recording.SaveToStream(*stream_);
    offsets_.push_back(static_cast<uint32_t>(end));
}

TMetafile& TMetaFileList::Items(int index) {
    if (!cached_) cached_ = std::make_unique<TMetafile>();
    if (index < 0 || index >= Count() || !stream_) {
        cached_->Clear();
        return *cached_;
    }
    stream_->SetPosition(offsets_[static_cast<size_t>(index)]);
    cached_->LoadFromStream(*stream_);
    return *cached_;
}

void TMetaFileList::Clear() {
    offsets_.clear();
    stream_.reset();
    if (useTempFile_) DeleteTempFile();
    cached_.reset();
}

void TMetaFileList::SetUseTempFile(bool value) {
    if (value == useTempFile_) return;
    std::string oldFile = tempFile_;
    useTempFile_ = value;
    if (stream_) {
        std::unique_ptr<TStream> fresh = CreateStream();
        fresh->CopyFrom(*stream_, 0);
        stream_ = std::move(fresh);
    }
    if (!value && !oldFile.empty()) {
        DeleteFileA(oldFile.c_str());
        tempFile_.clear();
    }
}

} // namespace kvprint
