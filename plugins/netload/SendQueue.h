// The bytes a socket still has to send, held in a list of fixed-size buffers.
#pragma once

#include <cstddef>
#include <list>
#include <vector>

namespace netload {

class TSendQueue {
public:
    static constexpr int kDefaultBufferSize = 1514;

    // A size of zero or less gives the default.
    explicit TSendQueue(int bufferSize = kDefaultBufferSize);

    int BufferSize() const { return static_cast<int>(size_); }
    // Takes effect for buffers started from now on.
    void SetBufferSize(int bufferSize);

    // Appends to the last buffer, starting new ones as they fill.
    void Append(const void* data, size_t length);
    // The unsent bytes at the front of the first buffer.
    const char* Front() const;
    size_t FrontLength() const;
    // Drops bytes that went out; emptied buffers go, but the last one stays for reuse.
    void Consume(size_t length);

    bool Empty() const { return count_ == 0; }
    size_t ByteCount() const { return count_; }
    size_t BufferCount() const { return buffers_.size(); }
    void Clear();

private:
    struct Buffer {
        std::vector<char> data;
        size_t begin = 0, end = 0;
    };
    size_t size_;
    size_t count_ = 0;
    std::list<Buffer> buffers_;
};

} // namespace netload
