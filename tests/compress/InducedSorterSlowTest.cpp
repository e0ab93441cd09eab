// The induced sorter against the reference at the full block size, every shape.

#include "InducedSorterSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(InducedSorterSlow, EveryShapeAtFullBlocks) {
    TInducedSorter sorter;
    for (TBlockShape shape : ALL_SHAPES)
        for (size_t n : {409599u, 409600u}) {
            const std::vector<uint8_t> x = MakeBlock(shape, n, 9);
            ASSERT_EQ(InducedOrder(sorter, x), ReferenceOrder(x))
                << "shape " << int(shape) << " length " << n;
        }
}

} // namespace
