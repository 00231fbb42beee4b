// Bytes a benchmark holds on the C++ heap: the program's own allocation functions count them
// (HeapCounter.cpp replaces them, so link it into the benchmark that asks).
#pragma once

#include <cstddef>

namespace bench {

size_t HeapBytes();

} // namespace bench
