// Byte streams: an abstract stream, one in memory and one over a file.
#pragma once

#include "kovalin/Handles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kovalin {

class TStream {
public:
    virtual ~TStream() = default;
    virtual int64_t Size() const = 0;
    virtual int64_t Position() const = 0;
    virtual void SetPosition(int64_t pos) = 0;
    // Read and Write move at most count bytes and return how many they moved.
    virtual size_t Read(void* buffer, size_t count) = 0;
    virtual size_t Write(const void* buffer, size_t count) = 0;

    // Move exactly count bytes or raise EStreamError.
    void ReadBuffer(void* buffer, size_t count);
    void WriteBuffer(const void* buffer, size_t count);
    // Copies count bytes (all from the current position when 0) from source; returns the count.
    int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
public:
    int64_t Size() const override { return static_cast<int64_t>(data_.size()); }
    int64_t Position() const override { return pos_; }
    void SetPosition(int64_t pos) override;
    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;

    void SetSize(int64_t size);
    void Clear();
    const uint8_t* Memory() const { return data_.data(); }
    uint8_t* Memory() { return data_.data(); }

    void LoadFromStream(TStream& source);
    void LoadFromFile(const std::string& fileName);
    void SaveToStream(TStream& dest) const;

private:
    std::vector<uint8_t> data_;
    int64_t pos_ = 0;
};

enum class TFileMode { fmOpenRead, fmCreate, fmOpenReadWrite };

class TFileStream : public TStream {
public:
    // Raises EStreamError ("Cannot open file ..." / "Cannot create file ...") on failure.
    TFileStream(const std::string& fileName, TFileMode mode);

    int64_t Size() const override;
    int64_t Position() const override;
    void SetPosition(int64_t pos) override;
    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;

private:
    UniqueFileHandle file_;
};

} // namespace kovalin
