#include "plugins/netload/SendQueue.h"

#include <algorithm>
#include <cstring>

namespace netload {

TSendQueue::TSendQueue(int bufferSize) {
    SetBufferSize(bufferSize);
}

void TSendQueue::SetBufferSize(int bufferSize) {
    size_ = bufferSize <= 0 ? kDefaultBufferSize : static_cast<size_t>(bufferSize);
}

void TSendQueue::Append(const void* data, size_t length) {
    auto* p = static_cast<const char*>(data);
    while (length > 0) {
        if (buffers_.empty() || buffers_.back().end == buffers_.back().data.size())
            buffers_.push_back(Buffer{std::vector<char>(size_)});
        Buffer& last = buffers_.back();
        size_t n = std::min(length, last.data.size() - last.end);
        std::memcpy(last.data.data() + last.end, p, n);
        last.end += n;
        p += n;
        length -= n;
        count_ += n;
    }
}

const char* TSendQueue::Front() const {
    return buffers_.empty() ? nullptr : buffers_.front().data.data() + buffers_.front().begin;
}

size_t TSendQueue::FrontLength() const {
    return buffers_.empty() ? 0 : buffers_.front().end - buffers_.front().begin;
}

void TSendQueue::Consume(size_t length) {
    while (length > 0 && !buffers_.empty()) {
        Buffer& first = buffers_.front();
        size_t n = std::min(length, first.end - first.begin);
        first.begin += n;
        length -= n;
        count_ -= n;
        if (first.begin == first.end) {
            if (buffers_.size() > 1) {
                buffers_.pop_front();
            } else {
                first.begin = first.end = 0;
                break;
            }
        }
    }
}

void TSendQueue::Clear() {
    while (buffers_.size() > 1)
        buffers_.pop_front();
    if (!buffers_.empty()) buffers_.front().begin = buffers_.front().end = 0;
    count_ = 0;
}

} // namespace netload
