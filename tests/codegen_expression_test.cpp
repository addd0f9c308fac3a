// Expression code: operands, operators, dereferences, allocation, arguments,
// the checked operations and their shared trap tail, and ShiftBits.
#include "codegen_fixture.h"

namespace vyl::cgtest {
namespace {

using ExpressionTest = CodegenTest;

Tree Op(int32_t label, Tree left, Tree right) { return Build(label, nullptr, {left, right}); }

TEST_F(ExpressionTest, MultiplicativeOperatorsAndDivmod) {
  EXPECT_EQ(Generate(Op(L_mp, Cn(3), Cn(30))), Hex("23 01 00 1E 1E"));
  // The quotient keeps the first result of DIVMOD, the remainder the second.
  EXPECT_EQ(Generate(Op(L_dv, Cn(7), Cn(2))), Hex("27 22 1F 05"));
  EXPECT_EQ(Generate(Op(L_md, Cn(7), Cn(2))), Hex("27 22 1F 06 05"));
}

TEST_F(ExpressionTest, BinaryOperatorsLeftThenRight) {
  const std::pair<int32_t, int> ops[] = {{L_or, 0x1A}, {L_an, 0x19}, {L_eq, 0x12}, {L_ne, 0x13},
                                         {L_ls, 0x14}, {L_gr, 0x15}, {L_ge, 0x17}, {L_le, 0x16},
                                         {L_xo, 0x1B}, {L_sh, 0x18}, {L_ad, 0x1C}, {L_su, 0x1D}};
  for (auto [label, op] : ops) {
    EXPECT_EQ(Generate(Op(label, Cn(1), Cn(2))), (std::vector<int>{0x21, 0x22, op})) << LabelName(label);
  }
}

TEST_F(ExpressionTest, EqualityWithZeroIsANotOnEitherSide) {
  EXPECT_EQ(Generate(Op(L_eq, Word(6), Cn(0))), Hex("40 03 11"));
  EXPECT_EQ(Generate(Op(L_eq, Cn(0), Word(6))), Hex("40 03 11"));
  EXPECT_EQ(Generate(Op(L_eq, Word(6), Cn(1))), Hex("40 03 21 12"));
  // Not-equal has no zero test of its own.
  EXPECT_EQ(Generate(Op(L_ne, Word(6), Cn(0))), Hex("40 03 20 13"));
}

TEST_F(ExpressionTest, UnaryOperators) {
  EXPECT_EQ(Generate(Build(L_ng, nullptr, {Cn(5)})), Hex("25 10"));
  EXPECT_EQ(Generate(Build(L_nt, nullptr, {Word(8)})), Hex("40 04 11"));
  // A right shift's count is negated at run time.
  EXPECT_EQ(Generate(Op(L_sh, Word(6), Build(L_ng, nullptr, {Cn(3)}))), Hex("40 03 23 10 18"));
}

TEST_F(ExpressionTest, GlobalsFrameBaseAndConstants) {
  EXPECT_EQ(Generate(Gl(0)), Hex("40 00"));
  EXPECT_EQ(Generate(Gl(6)), Hex("40 00 26 1C"));
  EXPECT_EQ(Generate(Build(L_bg, Leaf(40))), Hex("40 00 01 00 28 1C"));
  EXPECT_EQ(Generate(Build(L_in)), Hex("3F 02"));
  EXPECT_EQ(Generate(Cn(-100)), Hex("01 FF 9C"));
  // A wrapper from a type conversion generates its operand alone.
  EXPECT_EQ(Generate(Build(L_mt, nullptr, {Cn(5), Build(L_ty)})), Hex("25"));
}

TEST_F(ExpressionTest, TableAddressIsRelativeToTheCallWord) {
  Tree table = Build(L_tk, Leaf(0x40), {nullptr, nullptr});
  // 60 00 at 0x100, then 0x102 - 0x40 = 194, subtracted.
  EXPECT_EQ(Generate(table, 0x100), Hex("60 00 01 00 C2 1D"));
  // A string literal reaches the generator as a constant definition.
  Tree literal = Build(L_df, nullptr, {nullptr, Build(L_ty), Build(L_tk, Leaf(0x20), {nullptr, nullptr})});
  EXPECT_EQ(Generate(literal, 0x30), Hex("60 00 32 1D"));
}

TEST_F(ExpressionTest, Dereferences) {
  EXPECT_EQ(Generate(Word(4)), Hex("40 02"));
  // A byte variable: the word one byte earlier, masked.
  EXPECT_EQ(Generate(Build(L_dr, Leaf(1), {Of(4)})), Hex("3F 02 23 1C 0C 01 00 FF 19"));
  // A byte at a computed address steps back at run time.
  EXPECT_EQ(Generate(Build(L_dr, Leaf(1), {Op(L_su, Cn(40), Cn(2))})), Hex("01 00 28 22 1D 21 1D 0C 01 00 FF 19"));
  EXPECT_EQ(Generate(Build(L_dr, nullptr, {Op(L_ad, Word(6), Cn(2))})), Hex("40 03 22 1C 0C"));
  // Memory-mapped storage: MMAP before LOAD.
  EXPECT_EQ(Generate(Build(L_dr, nullptr, {Cn(100), Build(L_mt)})), Hex("01 00 64 0E 0C"));
}

TEST_F(ExpressionTest, FieldsOfAReferencedObject) {
  // p.f with the reference in local 6 and the field at offset 2, as the
  // front end reads it: dr(ki(of(2, p))), rewritten by OptDeref.
  Tree word = Build(L_dr, nullptr, {Build(L_ki, nullptr, {Of(2, Word(6))})});
  ASSERT_TRUE(OptDeref(word));
  ASSERT_TRUE(Is(word, L_ki));
  EXPECT_EQ(Generate(word), Hex("40 03 22 1C 0C"));
  // A byte field is still read as a byte: the word one byte earlier, masked.
  Tree byte = Build(L_dr, Leaf(1), {Build(L_ki, nullptr, {Of(2, Word(6))})});
  ASSERT_TRUE(OptDeref(byte));
  EXPECT_EQ(Generate(byte), Hex("40 03 22 1C 21 1D 0C 01 00 FF 19"));
}

TEST_F(ExpressionTest, AllocationAndArguments) {
  EXPECT_EQ(Generate(Build(L_ar, Leaf(20), {nullptr, Build(L_ty), nullptr})), Hex("34 22 09 05"));
  EXPECT_EQ(Generate(Build(L_ar, Leaf(2), {nullptr, Build(L_ty), Build(L_no, nullptr, {Word(6)})})),
            Hex("40 03 22 1E 22 09 05"));
  EXPECT_EQ(Generate(Build(L_al, Leaf(8), {Build(L_cl)})), Hex("28 22 09 05"));
  // Arguments first to last; a reference argument takes a new reference.
  Tree first = Build(L_at, nullptr, {nullptr, Cn(1), nullptr});
  Tree second = Build(L_at, nullptr, {first, Word(6), Build(L_pt)});
  EXPECT_EQ(Generate(second), Hex("21 40 03 60 01"));
}

TEST_F(ExpressionTest, ChecksShareOneTrapTailWithinReach) {
  // A null check: the address, DUP, NOT, JUMPZ +2, trap 1.
  Tree check = Build(L_un, nullptr, {Of(6)});
  EXPECT_EQ(Generate(check, 0x100), Hex("3F 02 26 1C 04 11 C0 02 21 09"));
  EXPECT_EQ(WordAt(kTrapTailWord), 0x108);
  // The next check jumps to the recorded 21 09: from 0x111 back to 0x108.
  EXPECT_EQ(Generate(Build(L_un, nullptr, {Of(6)}), 0x10A), Hex("3F 02 26 1C 04 FF F7"));
  // A range check: base, byte index, limit, 07 and the shared tail.
  Tree element = Build(L_rx, Leaf(20), {Of(6), Word(8)});
  EXPECT_EQ(Generate(element, 0x111), Hex("3F 02 26 1C 40 04 34 07 FF ED"));
}

TEST_F(ExpressionTest, TrapTailReachEndsAt8180Bytes) {
  int32_t unused = 0;
  ASSERT_TRUE(PutIntger(0x100, kTrapTailWord, unused));
  // 8180 bytes after the tail: shared.
  EXPECT_EQ(Generate(Build(L_rx, Leaf(-1), {Cn(0), Cn(0)}), 0x100 + 8180 - 3), Hex("20 20 3F 07 E0 09"));
  // One byte further: a full check of its own, which becomes the new tail.
  EXPECT_EQ(Generate(Build(L_rx, Leaf(-1), {Cn(0), Cn(0)}), 0x100 + 8181 - 3), Hex("20 20 3F 07 11 C0 02 21 09"));
  EXPECT_EQ(WordAt(kTrapTailWord), 0x100 + 8181 + 4);
}

TEST_F(ExpressionTest, UnknownTreeIsReported) {
  EXPECT_TRUE(Fails(Build(L_yk)));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Oops (CodeGen)"});
}

TEST_F(ExpressionTest, ShiftBitsShiftsLeftAndArithmeticallyRight) {
  int32_t r = 0;
  ASSERT_TRUE(ShiftBits(1, 3, r));
  EXPECT_EQ(r, 8);
  ASSERT_TRUE(ShiftBits(-5, -1, r));
  EXPECT_EQ(r, -3);
  ASSERT_TRUE(ShiftBits(-1, -4, r));
  EXPECT_EQ(r, -1);
  ASSERT_TRUE(ShiftBits(12, -2, r));
  EXPECT_EQ(r, 3);
  ASSERT_TRUE(ShiftBits(3, -5, r));
  EXPECT_EQ(r, 0);
  ASSERT_TRUE(ShiftBits(1, 31, r));
  EXPECT_EQ(r, INT32_MIN);
  ASSERT_TRUE(ShiftBits(1, 32, r));
  EXPECT_EQ(r, 0);
  ASSERT_TRUE(ShiftBits(0x40000000, 1, r));
  EXPECT_EQ(r, INT32_MIN);
  ASSERT_TRUE(ShiftBits(-7, INT32_MIN, r));
  EXPECT_EQ(r, -1);
  ASSERT_TRUE(ShiftBits(5, INT32_MAX, r));
  EXPECT_EQ(r, 0);
}

}  // namespace
}  // namespace vyl::cgtest
