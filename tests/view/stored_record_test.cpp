#include <gtest/gtest.h>

#include "platform/memory_grid.h"
#include "view/stored_record_suite.h"

namespace pm::testing {
namespace {

const GridKind kMemoryGrid{"MemoryGrid", [] { return std::make_unique<MemoryGrid>(); }};

INSTANTIATE_TEST_SUITE_P(Memory, StoredRecord, ::testing::Values(kMemoryGrid), gridKindName);

}  // namespace
}  // namespace pm::testing
