// The memory a process that compiles large sources keeps for itself: the
// compilation's stack, then the process's allocations and tree records,
// carved in order and never given back but for the last piece.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "app/app.h"

namespace vyl::test {
namespace {

TEST(ProcessMemoryTest, PiecesComeInOrderFreshAndAlignedAndOnlyTheLastComesBack) {
  // Nothing is reserved for a small source, and nothing is given without a
  // reservation.
  EXPECT_FALSE(ReserveProcessMemory(1000, kSessionStack));
  EXPECT_EQ(TakeProcessMemory(64), nullptr);
  EXPECT_EQ(ReservedProcessStack(kSessionStack), nullptr);
  void* outside = std::malloc(32);
  EXPECT_FALSE(ReturnProcessMemory(outside, 32));
  std::free(outside);

  ASSERT_TRUE(ReserveProcessMemory(40000, kSessionStack));
  auto* stack = static_cast<std::byte*>(ReservedProcessStack(kSessionStack));
  ASSERT_NE(stack, nullptr);
  EXPECT_EQ(ReservedProcessStack(kSessionStack / 2), nullptr);  // made for another stack
  // The stack's top is writable, and the first piece lies right above it.
  stack[kSessionStack - 1] = std::byte{1};
  auto* a = static_cast<std::byte*>(TakeProcessMemory(1));
  auto* b = static_cast<std::byte*>(TakeProcessMemory(100));
  auto* c = static_cast<std::byte*>(TakeProcessMemory(16));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, stack + kSessionStack);
  EXPECT_EQ(b, a + 16);
  EXPECT_EQ(c, b + 112);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b) % 16, 0u);
  EXPECT_TRUE(std::all_of(b, b + 100, [](std::byte x) { return x == std::byte{0}; }));

  // Only the last piece is taken back; the others stay where they are.
  std::fill(c, c + 16, std::byte{7});  // given back cleared
  EXPECT_TRUE(ReturnProcessMemory(b, 100));
  EXPECT_EQ(TakeProcessMemory(8), c + 16);
  EXPECT_TRUE(ReturnProcessMemory(c + 16, 8));
  EXPECT_TRUE(ReturnProcessMemory(c, 16));
  EXPECT_EQ(TakeProcessMemory(16), c);
  EXPECT_TRUE(std::all_of(c, c + 16, [](std::byte x) { return x == std::byte{0}; }));
  EXPECT_TRUE(ReturnProcessMemory(a, 0));  // unsized: kept

  // More than is left: nothing, and what is left stays to be given.
  EXPECT_EQ(TakeProcessMemory(std::size_t{1} << 40), nullptr);
  EXPECT_EQ(TakeProcessMemory(16), c + 16);
}

}  // namespace
}  // namespace vyl::test
