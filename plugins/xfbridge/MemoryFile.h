// A growable file in memory: reads from a position that moves on, writes at the end.
#pragma once

#include <cstddef>
#include <string>

namespace xfbridge {

class MemoryFile {
public:
    MemoryFile() = default;
    explicit MemoryFile(std::string bytes) : bytes_(std::move(bytes)) {}

    // Copies up to `count` bytes from the position on; gives how many were there.
    size_t Read(void* buffer, size_t count);
    void Write(const void* buffer, size_t count);
    // Bytes left to read.
    size_t Remaining() const { return bytes_.size() - position_; }
    // Drops everything, so that what is written next is all the file holds.
    void Clear();

    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
    size_t position_ = 0;
};

} // namespace xfbridge
