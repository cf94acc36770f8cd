#include "OctTree.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <vector>

namespace {

// One record of the node table. Counts and sums are 64-bit: a single leaf of
// a large one-colour image passes 2^31 in its sums after 8,421,505 pixels of
// a component 255, and 2^63 is out of reach of any image we can hold.
struct cOctNode {
    bool IsLeaf = false;
    bool Listed = false;    // on the reducible list of its level
    int64_t PixelCount = 0; // leaves: pixels added
    int64_t BlueSum = 0;
    int64_t GreenSum = 0;
    int64_t RedSum = 0;
    std::array<int32_t, 8> Children{}; // node indices, 0 = none
    int32_t Next = 0;                  // reducible list or free list
    int32_t PaletteIndex = 0;          // leaves, set by FillPalette
};

constexpr int32_t kRoot = 1;
constexpr int32_t kTableGrowth = 1024; // records added at a time
constexpr int32_t kMaxDepth = 8;
constexpr int32_t kMaxColors = 256;

// The tree and its palette. Nodes are numbered from 1 (record 0 is never
// used), so index 0 means "none" in child links and list heads.
struct cOctTreeState {
    std::vector<cOctNode> Nodes;
    int32_t NodeCount = 0; // live nodes, the root included
    int32_t LeafCount = 0;
    int32_t FreeHead = 0;
    std::array<int32_t, kMaxDepth + 1> Reducible{}; // heads of lists 1..8
    std::vector<cPaletteColor> Palette;
    int32_t PaletteCounter = 0;
};

// One tree per thread: quantizations on different threads (the batch save's
// workers) never share it, and each thread runs one at a time.
thread_local cOctTreeState gTree;

void InitTree() {
    gTree = cOctTreeState{};
    gTree.Nodes.assign(kTableGrowth + 1, cOctNode{});
    gTree.NodeCount = 1;
}

// A node off the free list, or the next new index. The table grows only when
// the free list is empty and the new index reaches a multiple of 1024; then
// every lower index is live, so the new index always lies inside the table.
// The caller sets every field of the node.
int32_t CreateNode() {
    ++gTree.NodeCount;
    if (gTree.FreeHead != 0) {
        const int32_t node = gTree.FreeHead;
        gTree.FreeHead = gTree.Nodes[node].Next;
        return node;
    }
    const int32_t node = gTree.NodeCount;
    if (node % kTableGrowth == 0)
        gTree.Nodes.resize(static_cast<size_t>(node) + kTableGrowth + 1);
    return node;
}

void FreeNode(int32_t lNode) {
    gTree.Nodes[lNode].Next = gTree.FreeHead;
    gTree.FreeHead = lNode;
    --gTree.NodeCount;
}

// Child k of a node at level lLevel - 1: bit (8 - lLevel) of red, green and
// blue as the bits 4, 2 and 1 of k.
int ChildNumber(int32_t lLevel, uint8_t lBlue, uint8_t lGreen, uint8_t lRed) {
    const int32_t shift = kMaxDepth - lLevel;
    return 4 * ((lRed >> shift) & 1) + 2 * ((lGreen >> shift) & 1) + ((lBlue >> shift) & 1);
}

// Adds one pixel below lNode, which sits at level lLevel - 1, creating the
// path down to its leaf and listing every inner node passed on the way.
void AddColor(int32_t lNode, int32_t lLevel, int32_t lDepth, uint8_t lBlue, uint8_t lGreen, uint8_t lRed) {
    for (;;) {
        const int k = ChildNumber(lLevel, lBlue, lGreen, lRed);
        int32_t child = gTree.Nodes[lNode].Children[k];
        if (child == 0) {
            child = CreateNode(); // may move the table: no references held across it
            gTree.Nodes[child] = cOctNode{.IsLeaf = lLevel == lDepth};
            gTree.Nodes[lNode].Children[k] = child;
        }
        cOctNode& node = gTree.Nodes[child];
        if (node.IsLeaf) {
            if (node.PixelCount == 0)
                ++gTree.LeafCount;
            ++node.PixelCount;
            node.BlueSum += lBlue;
            node.GreenSum += lGreen;
            node.RedSum += lRed;
            return;
        }
        if (!node.Listed) {
            node.Next = gTree.Reducible[lLevel];
            gTree.Reducible[lLevel] = child;
            node.Listed = true;
        }
        lNode = child;
        ++lLevel;
    }
}

// Merges the children of the inner node listed last at the deepest level that
// has one into that node. All its children are leaves, because any inner
// child would sit on a deeper list. False when no inner node is left.
bool ReduceTree(int32_t lDepth) {
    int32_t level = lDepth;
    while (level >= 1 && gTree.Reducible[level] == 0)
        --level;
    if (level == 0)
        return false;
    const int32_t merged = gTree.Reducible[level];
    gTree.Reducible[level] = gTree.Nodes[merged].Next;

    /* An inner node's count and sums are 0 until it takes its leaves' here;
     * freeing nodes does not move the table. */
    cOctNode& node = gTree.Nodes[merged];
    for (int32_t& child : node.Children) {
        if (child == 0)
            continue;
        const cOctNode& leaf = gTree.Nodes[child];
        node.PixelCount += leaf.PixelCount;
        node.BlueSum += leaf.BlueSum;
        node.GreenSum += leaf.GreenSum;
        node.RedSum += leaf.RedSum;
        FreeNode(child);
        child = 0;
        --gTree.LeafCount;
    }
    node.IsLeaf = true;
    ++gTree.LeafCount;
    return true;
}

// Depth-first from lNode, children 0 to 7, so palette order follows the
// colour bits: red before green before blue, 0 before 1, at every level.
void FillPalette(int32_t lNode) {
    cOctNode& node = gTree.Nodes[lNode];
    if (node.IsLeaf) {
        // The table holds at least as many entries as there are leaves.
        assert(gTree.PaletteCounter < static_cast<int32_t>(gTree.Palette.size()));
        cPaletteColor& entry = gTree.Palette[static_cast<size_t>(gTree.PaletteCounter)];
        entry.Blue = static_cast<uint8_t>(node.BlueSum / node.PixelCount);
        entry.Green = static_cast<uint8_t>(node.GreenSum / node.PixelCount);
        entry.Red = static_cast<uint8_t>(node.RedSum / node.PixelCount);
        node.PaletteIndex = gTree.PaletteCounter++;
        return;
    }
    for (int k = 0; k < 8; ++k) {
        const int32_t child = gTree.Nodes[lNode].Children[k];
        if (child != 0)
            FillPalette(child);
    }
}

bool DescribesBuffer(int32_t lStride24, int32_t lHeight, int32_t lRowEndGap, size_t lSize, int32_t lDepth) {
    if (lStride24 < 0 || lHeight < 0 || lRowEndGap < 0 || lRowEndGap > lStride24)
        return false;
    if ((lStride24 - lRowEndGap) % 3 != 0 || lDepth < 1 || lDepth > kMaxDepth)
        return false;
    return static_cast<uint64_t>(lStride24) * static_cast<uint64_t>(lHeight) <= lSize;
}

} // namespace

bool BuildPalette(int32_t lStride24, int32_t lHeight, int32_t lRowEndGap, std::span<const uint8_t> oSource,
                  int32_t lColorLimit, int32_t lDepth) {
    InitTree();
    if (!DescribesBuffer(lStride24, lHeight, lRowEndGap, oSource.size(), lDepth)) {
        gTree.PaletteCounter = -1;
        return false;
    }
    const int32_t limit = std::clamp(lColorLimit, 1, kMaxColors);
    const int32_t width = (lStride24 - lRowEndGap) / 3;
    for (int32_t row = lHeight - 1; row >= 0; --row) {
        const uint8_t* pixel = oSource.data() + static_cast<size_t>(row) * lStride24 + 3 * width;
        for (int32_t x = width - 1; x >= 0; --x) {
            pixel -= 3;
            AddColor(kRoot, 1, lDepth, pixel[0], pixel[1], pixel[2]);
            while (gTree.LeafCount > limit)
                if (!ReduceTree(lDepth))
                    break;
        }
    }
    gTree.Palette.assign(gTree.LeafCount <= 16 ? 16 : kMaxColors, cPaletteColor{});
    FillPalette(kRoot);
    --gTree.PaletteCounter;
    return true;
}

int32_t GetPaletteIndex(uint8_t lBlue, uint8_t lGreen, uint8_t lRed) {
    if (gTree.Nodes.empty())
        return 0;
    int32_t node = kRoot;
    for (int32_t level = 1; level <= kMaxDepth; ++level) {
        node = gTree.Nodes[node].Children[ChildNumber(level, lBlue, lGreen, lRed)];
        if (node == 0)
            return 0;
        if (gTree.Nodes[node].IsLeaf)
            return gTree.Nodes[node].PaletteIndex;
    }
    return 0;
}

int32_t GetPaletteCount() {
    return gTree.PaletteCounter;
}

cPaletteColor GetPaletteColor(int32_t lIndex) {
    if (lIndex < 0 || static_cast<size_t>(lIndex) >= gTree.Palette.size())
        return {};
    return gTree.Palette[static_cast<size_t>(lIndex)];
}
