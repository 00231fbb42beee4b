// Octree colour quantisation: every colour of an image goes into a tree of up to 8 levels, one
// bit per component and level; whenever there are more leaves than colours wanted, the deepest,
// most recently made inner node takes in its children. The leaves' average colours are the palette.
#pragma once

#include "plugins/logo/ColorLookup.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kvlogo {

class TDIBReader;

struct TOctreeNode {
    uint32_t pixelCount = 0;
    // Wider than the components need: a large one-coloured image would overflow 32 bits.
    uint64_t redSum = 0, greenSum = 0, blueSum = 0;
    bool leaf = false;
    TOctreeNode* nextReducible = nullptr;
    TOctreeNode* child[8] = {};
};

class TColorQuantizer {
public:
    // maxColors >= 1; colorBits 1..8 levels below the root.
    TColorQuantizer(int maxColors, int colorBits);
    TColorQuantizer(const TColorQuantizer&) = delete;
    TColorQuantizer& operator=(const TColorQuantizer&) = delete;
    ~TColorQuantizer();

    // Adds every pixel, top row first, each row left to right.
    void ProcessImage(TDIBReader& image);
    // Adds one colour, then reduces the tree until it has no more leaves than colours wanted.
    void AddColor(TRGB color);

    int LeafCount() const { return leafCount_; }
    // The leaves' average colours, depth first, children in order 0 to 7.
    std::vector<TRGB> ColorTable() const;

private:
    TOctreeNode* NewNode(int level);
    void FreeNode(TOctreeNode* node);
    bool Reduce();

    int maxColors_;
    int colorBits_;
    int leafCount_ = 0;
    TOctreeNode* root_ = nullptr;
    TOctreeNode* reducible_[8] = {};
    // Nodes come from blocks that live as long as the quantiser; freed nodes are used again.
    std::vector<std::unique_ptr<TOctreeNode[]>> blocks_;
    size_t usedInBlock_ = 0;
    TOctreeNode* freeList_ = nullptr;
};

} // namespace kvlogo
