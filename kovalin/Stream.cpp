#include "kovalin/Stream.h"

#include "kovalin/Exceptions.h"

#include <algorithm>
#include <cstring>

namespace kovalin {

void TStream::ReadBuffer(void* buffer, size_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<char> buf(static_cast<size_t>(std::min<int64_t>(count, 1 << 16)));
    int64_t left = count;
    while (left > 0) {
        size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(buf.size())));
        source.ReadBuffer(buf.data(), n);
        WriteBuffer(buf.data(), n);
        left -= static_cast<int64_t>(n);
    }
    return count;
}

void TMemoryStream::SetPosition(int64_t pos) {
    pos_ = std::max<int64_t>(0, pos);
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
    if (pos_ >= Size()) return 0;
    size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), Size() - pos_));
    std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += static_cast<int64_t>(n);
    return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
    int64_t end = pos_ + static_cast<int64_t>(count);
    if (end > Size()) data_.resize(static_cast<size_t>(end));
    if (count) std::memcpy(data_.data() + pos_, buffer, count);
    pos_ = end;
    return count;
}

void TMemoryStream::SetSize(int64_t size) {
    data_.resize(static_cast<size_t>(std::max<int64_t>(0, size)));
    pos_ = std::min(pos_, Size());
}

void TMemoryStream::Clear() {
    data_.clear();
    data_.shrink_to_fit();
    pos_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
    source.SetPosition(0);
    SetSize(source.Size());
    source.ReadBuffer(data_.data(), data_.size());
    pos_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream f(fileName, TFileMode::fmOpenRead);
    LoadFromStream(f);
}

void TMemoryStream::SaveToStream(TStream& dest) const {
    dest.WriteBuffer(data_.data(), data_.size());
}

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) {
    DWORD access = GENERIC_READ, share = FILE_SHARE_READ, disposition = OPEN_EXISTING;
    if (mode == TFileMode::fmCreate) {
        access = GENERIC_READ | GENERIC_WRITE;
        share = 0;
        disposition = CREATE_ALWAYS;
    } else if (mode == TFileMode::fmOpenReadWrite) {
        access = GENERIC_READ | GENERIC_WRITE;
        share = 0;
    } else {
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    }
    file_.reset(
        CreateFileA(fileName.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) {
        std::string why = SystemErrorMessage(GetLastError());
        const char* verb = mode == TFileMode::fmCreate ? "create" : "open";
        throw EStreamError(Format("Cannot %s file \"%s\". %s", verb, fileName.c_str(), why.c_str()));
    }
}

int64_t TFileStream::Size() const {
    LARGE_INTEGER size{};
    GetFileSizeEx(file_.get(), &size);
    return size.QuadPart;
}

int64_t TFileStream::Position() const {
    LARGE_INTEGER zero{}, pos{};
    SetFilePointerEx(file_.get(), zero, &pos, FILE_CURRENT);
    return pos.QuadPart;
}

void TFileStream::SetPosition(int64_t pos) {
    LARGE_INTEGER to;
    to.QuadPart = pos;
    SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN);
}

size_t TFileStream::Read(void* buffer, size_t count) {
    size_t total = 0;
    auto* p = static_cast<char*>(buffer);
    while (total < count) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - total, 1u << 30)), got = 0;
        if (!ReadFile(file_.get(), p + total, chunk, &got, nullptr) || got == 0) break;
        total += got;
    }
    return total;
}

size_t TFileStream::Write(const void* buffer, size_t count) {
    size_t total = 0;
    auto* p = static_cast<const char*>(buffer);
    while (total < count) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - total, 1u << 30)), put = 0;
        if (!WriteFile(file_.get(), p + total, chunk, &put, nullptr) || put == 0) break;
        total += put;
    }
    return total;
}

} // namespace kovalin
