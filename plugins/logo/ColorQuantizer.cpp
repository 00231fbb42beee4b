#include "plugins/logo/ColorQuantizer.h"

#include "plugins/logo/DIBAccess.h"

#include <algorithm>

namespace kvlogo {

namespace {
constexpr size_t kBlockNodes = 1024;
}

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : maxColors_(std::max(1, maxColors)), colorBits_(std::clamp(colorBits, 1, 8)) {}

TColorQuantizer::~TColorQuantizer() = default;

TOctreeNode* TColorQuantizer::NewNode(int level) {
    TOctreeNode* node;
    if (freeList_) {
        node = freeList_;
        freeList_ = node->nextReducible;
        *node = TOctreeNode{};
    } else {
        if (blocks_.empty() || usedInBlock_ == kBlockNodes) {
            blocks_.push_back(std::make_unique<TOctreeNode[]>(kBlockNodes));
            usedInBlock_ = 0;
        }
        node = &blocks_.back()[usedInBlock_++];
    }
    if (level == colorBits_) {
        node->leaf = true;
        ++leafCount_;
    } else {
        node->nextReducible = reducible_[level];
        reducible_[level] = node;
    }
    return node;
}

void TColorQuantizer::FreeNode(TOctreeNode* node) {
    node->nextReducible = freeList_;
    freeList_ = node;
}

void TColorQuantizer::AddColor(TRGB c) {
    TOctreeNode** slot = &root_;
    for (int level = 0;; ++level) {
        if (!*slot) *slot = NewNode(level);
        TOctreeNode* node = *slot;
        if (node->leaf) {
            ++node->pixelCount;
            node->redSum += c.red;
            node->greenSum += c.green;
            node->blueSum += c.blue;
            break;
        }
        int shift = 7 - level;
        int index = ((c.red >> shift) & 1) << 2 | ((c.green >> shift) & 1) << 1 | ((c.blue >> shift) & 1);
        slot = &node->child[index];
    }
    while (leafCount_ > maxColors_ && Reduce()) {
    }
}

bool TColorQuantizer::Reduce() {
    int level = colorBits_ - 1;
    while (level >= 0 && !reducible_[level])
        --level;
    if (level < 0) return false; // the root is a leaf already
    TOctreeNode* node = reducible_[level];
    reducible_[level] = node->nextReducible;
    node->nextReducible = nullptr;
    int removed = 0;
    for (TOctreeNode*& child : node->child) {
        if (!child) continue;
        // Nodes below the deepest level that still has inner nodes are all leaves.
        node->pixelCount += child->pixelCount;
        node->redSum += child->redSum;
        node->greenSum += child->greenSum;
        node->blueSum += child->blueSum;
        FreeNode(child);
        child = nullptr;
        ++removed;
    }
    node->leaf = true;
    leafCount_ += 1 - removed;
    return true;
}

void TColorQuantizer::ProcessImage(TDIBReader& image) {
    for (int y = 0; y < image.Height(); ++y) {
        const BYTE* p = image.ScanLine(y);
        for (int x = 0; x < image.Width(); ++x, p += 3)
            AddColor({p[2], p[1], p[0]});
    }
}

std::vector<TRGB> TColorQuantizer::ColorTable() const {
    std::vector<TRGB> colors;
    std::vector<const TOctreeNode*> stack;
    if (root_) stack.push_back(root_);
    while (!stack.empty()) {
        const TOctreeNode* node = stack.back();
        stack.pop_back();
        if (node->leaf) {
            if (node->pixelCount == 0) {
                colors.push_back({0, 0, 0});
            } else {
                uint64_t n = node->pixelCount;
                colors.push_back({BYTE(node->redSum / n), BYTE(node->greenSum / n), BYTE(node->blueSum / n)});
            }
            continue;
        }
        for (int i = 7; i >= 0; --i) // pushed in reverse, so child 0 is visited first
            if (node->child[i]) stack.push_back(node->child[i]);
    }
    return colors;
}

} // namespace kvlogo
