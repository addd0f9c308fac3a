// Statement code: line markers, assignments, calls, if, loops with their
// late jumps, returns, zero words, FORK and COCALL, intrinsics.
#include "codegen_fixture.h"

namespace vyl::cgtest {
namespace {

using StatementTest = CodegenTest;

// local(offset) = value: 2 or 4 bytes of code.
Tree Set(int32_t offset, int32_t value, Tree before = nullptr) { return Assign(before, Of(offset), Cn(value)); }

TEST_F(StatementTest, EachLineGetsAMarkerAfterItsCode) {
  Tree first = Line(5, Set(6, 1));
  EXPECT_EQ(Generate(Line(6, Set(8, 2, first))), Hex("21 50 03 00 00 05 22 50 04 00 00 06"));
  EXPECT_EQ(WordAt(kMarkerWord), 0x10C);
  EXPECT_EQ(WordAt(kLineWord), 6);
}

TEST_F(StatementTest, StatementWithoutCodeOnTheSameLineAddsNoMarker) {
  Tree first = Line(5, Set(6, 1));
  EXPECT_EQ(Generate(Line(5, Zeros(0, first))), Hex("21 50 03 00 00 05"));
  EXPECT_EQ(WordAt(kLineWord), 5);
}

TEST_F(StatementTest, StatementWithoutCodeOnALaterLineTakesOverTheMarker) {
  Tree first = Line(5, Set(6, 1));
  EXPECT_EQ(Generate(Line(7, Zeros(0, first))), Hex("21 50 03 00 00 07"));
  EXPECT_EQ(WordAt(kLineWord), 7);
  // An earlier line does not.
  Tree again = Line(9, Set(6, 1));
  EXPECT_EQ(Generate(Line(8, Zeros(0, again)), 0x200), Hex("21 50 03 00 00 09"));
  EXPECT_EQ(WordAt(kLineWord), 9);
}

TEST_F(StatementTest, AssignmentForms) {
  // No target: the value stays on the stack (an initialised slot).
  EXPECT_EQ(Generate(Assign(nullptr, nullptr, Cn(5))), Hex("25"));
  EXPECT_EQ(Generate(Assign(nullptr, nullptr, Word(6), Build(L_pt))), Hex("40 03 60 01"));
  // A reference: release the old one, take the new one, store.
  EXPECT_EQ(Generate(Assign(nullptr, Of(6), Word(8), Build(L_pt))), Hex("40 04 40 03 23 09 05 05 60 01 50 03"));
  // null into a reference: release only.
  EXPECT_EQ(Generate(Assign(nullptr, Of(6), Cn(0), Build(L_pm))), Hex("20 40 03 23 09 05 05 50 03"));
  // mmPOKE: the address, then MMAP STORE.
  EXPECT_EQ(Generate(Assign(nullptr, Cn(100), Cn(5), Build(L_mt))), Hex("25 01 00 64 0E 0D"));
  // POKE: a plain store through the computed address.
  EXPECT_EQ(Generate(Assign(nullptr, Word(6), Cn(5))), Hex("25 40 03 0D"));
}

Tree CallOf(int32_t number, Tree arguments, int32_t resultSize, int32_t name = 0) {
  return Build(L_fc, Leaf(number), {nullptr, arguments, Build(L_nt, Leaf(name)), Build(L_nn, Leaf(resultSize))});
}

TEST_F(StatementTest, CallsPushResultSpaceArgumentsAndBase) {
  Tree args = Build(L_at, nullptr, {Build(L_at, nullptr, {nullptr, Cn(3)}), Word(6)});
  EXPECT_EQ(Generate(CallOf(5, args, 0)), Hex("23 40 03 40 00 60 05"));
  EXPECT_EQ(Generate(CallOf(5, nullptr, 1)), Hex("20 40 00 60 05"));
  EXPECT_EQ(Generate(CallOf(300, nullptr, 2)), Hex("20 40 00 61 2C"));
}

TEST_F(StatementTest, CallOfAnUndefinedFunctionIsReported) {
  EXPECT_TRUE(Fails(CallOf(0, nullptr, 0, InternText("later"))));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Undefined function or method later"});
}

Tree If(Tree condition, Tree thenPart, Tree elsePart = nullptr) {
  return Build(L_if, nullptr, {nullptr, condition, thenPart, elsePart});
}

TEST_F(StatementTest, IfWithoutElseSkipsTheThenPart) {
  EXPECT_EQ(Generate(If(Word(6), Set(8, 1))), Hex("40 03 C0 03 21 50 04"));
  // A comparison with zero is left to the jump.
  EXPECT_EQ(Generate(If(Build(L_ne, nullptr, {Word(6), Cn(0)}), Set(8, 1))), Hex("40 03 C0 03 21 50 04"));
}

TEST_F(StatementTest, IfWithElseJumpsOverTheElsePart) {
  EXPECT_EQ(Generate(If(Word(6), Set(8, 1), Set(8, 2))), Hex("40 03 C0 05 21 50 04 80 03 22 50 04"));
}

TEST_F(StatementTest, IfBodiesAreLimitedTo8191Bytes) {
  ASSERT_FALSE(Generate(If(Word(6), Filler(8189))).empty());
  EXPECT_TRUE(Messages().empty());
  // T - C = 8192: the then part and the slot.
  EXPECT_TRUE(Fails(If(Word(6), Filler(8190))));
  EXPECT_TRUE(Fails(If(Word(6), Zeros(1), Filler(8192)), 0x200));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Too much code in body of 'if'", "Too much code in body of 'if'"}));
}

TEST_F(StatementTest, WhileLoopJumpsBackAndIsDecorated) {
  Tree loop = Build(L_wh, nullptr, {nullptr, Set(6, 1)});
  EXPECT_EQ(Generate(loop), Hex("21 50 03 BF FB"));
  EXPECT_EQ(ValueOf(loop), 0x100 * 65536 + 0x105);
}

TEST_F(StatementTest, WhileWithConditionBreaksToItsExit) {
  // while (x) y = 1;  as the front end shapes it.
  Tree loop = Build(L_wh, nullptr, {nullptr, nullptr});
  Tree exit = Build(L_ex, loop, {nullptr});
  SetKid(loop, 2, If(Word(6), Set(6, 1), exit));
  EXPECT_EQ(Generate(loop), Hex("40 03 C0 05 21 50 03 80 02 00 00 BF F3"));
  ASSERT_TRUE(FwdJumps(fixups));
  EXPECT_EQ(Bytes(0x109, 0x10B), Hex("80 02"));
}

TEST_F(StatementTest, WhileBodyMustLetTheBackJumpReachTheStart) {
  ASSERT_FALSE(Generate(Build(L_wh, nullptr, {nullptr, Filler(8190)})).empty());
  Tree loop = Build(L_wh, nullptr, {nullptr, Filler(8191)});
  EXPECT_TRUE(Fails(loop, 0x3000));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Too much code in body of 'while'"});
}

TEST_F(StatementTest, DoLoopContinuesAtItsStart) {
  // do x = 1; while (y);  body, then continue or exit by the condition.
  Tree loop = Build(L_lp, nullptr, {nullptr, nullptr});
  Tree body = If(Word(8), Build(L_nx, loop, {nullptr}), Build(L_ex, loop, {nullptr}));
  SetKid(body, 1, Set(6, 1));
  SetKid(loop, 2, body);
  // The else jump is patched at once; continue and break are late.
  EXPECT_EQ(Generate(loop), Hex("21 50 03 40 04 C0 04 00 00 80 02 00 00"));
  EXPECT_EQ(ValueOf(loop), 0x100 * 65536 + 0x10D);
  ASSERT_TRUE(FwdJumps(fixups));
  // continue: from 0x109 back to 0x100; the else jump; break: to 0x10D.
  EXPECT_EQ(Bytes(0x107, 0x10D), Hex("BF F7 80 02 80 00"));
}

TEST_F(StatementTest, DoLoopBodyIsLimited) {
  EXPECT_TRUE(Fails(Build(L_lp, nullptr, {nullptr, Filler(8192)})));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Too much code in body of 'do'"});
}

TEST_F(StatementTest, LateJumpsWithoutTargetsAreReported) {
  Tree neverGenerated = Build(L_wh, nullptr, {nullptr, nullptr});
  ASSERT_FALSE(Generate(Build(L_ex, neverGenerated, {nullptr})).empty());
  EXPECT_FALSE(FwdJumps(fixups));
  Tree aSwitch = Build(L_sw, Leaf(0x300), {nullptr, nullptr, nullptr});
  ASSERT_FALSE(Generate(Build(L_nx, aSwitch, {nullptr})).empty());
  EXPECT_FALSE(FwdJumps(fixups));
  Tree method = Build(L_fn, Leaf(0), {nullptr, Build(L_xf, Leaf(1), {nullptr, nullptr, nullptr, Build(L_no)})});
  ASSERT_FALSE(Generate(Build(L_rt, method, {nullptr})).empty());
  EXPECT_FALSE(FwdJumps(fixups));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Oops, unmarked or undefined exit tree",
                                                   "Oops, unmarked or undefined repeat tree",
                                                   "Oops, unmarked function exit"}));
}

TEST_F(StatementTest, LateJumpsOutOfReachFail) {
  Tree loop = Build(L_wh, Leaf(0x100 * 65536 + 0x100 + 2 + 8192), {nullptr, nullptr});
  ASSERT_FALSE(Generate(Build(L_ex, loop, {nullptr})).empty());
  EXPECT_FALSE(FwdJumps(fixups));
  EXPECT_EQ(Bytes(0x100, 0x102), Hex("00 00"));
  Tree near = Build(L_wh, Leaf(0x100 * 65536 + 0x100 + 2 + 8191), {nullptr, nullptr});
  ASSERT_FALSE(Generate(Build(L_ex, near, {nullptr})).empty());
  EXPECT_TRUE(FwdJumps(fixups));
  EXPECT_EQ(Bytes(0x100, 0x102), Hex("9F FF"));
}

Tree Method(Tree exitHolder) {
  return Build(L_fn, Leaf(0), {nullptr, Build(L_xf, Leaf(1), {nullptr, nullptr, nullptr, exitHolder})});
}

TEST_F(StatementTest, ReturnStoresTheValueAndJumpsToTheExit) {
  Tree method = Method(Build(L_no, Leaf(0x120)));
  Tree ret = Build(L_rt, method, {nullptr, Cn(5), Of(-4)});
  EXPECT_EQ(Generate(ret), Hex("25 5F FE 00 00"));
  ASSERT_TRUE(FwdJumps(fixups));
  EXPECT_EQ(Bytes(0x103, 0x105), Hex("80 1B"));
  // A bare return is the jump alone.
  EXPECT_EQ(Generate(Build(L_rt, method, {nullptr}), 0x110), Hex("00 00"));
}

TEST_F(StatementTest, ReturnOfAReferenceTakesANewReference) {
  Tree method = Method(Build(L_no, Leaf(0x120)));
  // The front end's marker: an empty pt as child 1 of the result slot.
  Tree ret = Build(L_rt, method, {nullptr, Word(6), Of(-4, Build(L_pt))});
  EXPECT_EQ(Generate(ret), Hex("40 03 60 01 5F FE 00 00"));
  EXPECT_TRUE(Messages().empty());
  // The same marker as a result type.
  ret = Build(L_rt, method, {nullptr, Word(6), Of(-4), Build(L_pt)});
  EXPECT_EQ(Generate(ret, 0x110), Hex("40 03 60 01 5F FE 00 00"));
}

TEST_F(StatementTest, ZeroWordsInlineOrLooped) {
  EXPECT_EQ(Generate(Zeros(9)), std::vector<int>(9, 0x20));
  EXPECT_EQ(Generate(Zeros(10)), Hex("29 20 06 21 1D 04 11 FF F8"));
  EXPECT_EQ(Generate(Zeros(0)), std::vector<int>{});
  EXPECT_EQ(Generate(Zeros(40)), Hex("01 00 27 20 06 21 1D 04 11 FF F8"));
}

TEST_F(StatementTest, ForkAndCocall) {
  EXPECT_EQ(Generate(Build(L_ac, nullptr, {nullptr, Word(6)})), Hex("40 03 08"));
  // FORK: PutConstant(P - 2) with P the address after 04 04 22 1C 60 00.
  EXPECT_EQ(Generate(Build(L_ac, nullptr, {nullptr, Word(6), Build(L_no)})),
            Hex("40 03 04 04 22 1C 60 00 01 01 06 1D 06 0D 04 26 1C 24 60 00 1C 06 0D 08"));
}

Tree Intrinsic(int32_t k, Tree a = nullptr, Tree b = nullptr, Tree c = nullptr) {
  return Build(L_io, Leaf(k), {nullptr, a, b, c});
}

TEST_F(StatementTest, IntrinsicCalls) {
  EXPECT_EQ(Generate(Intrinsic(11, Word(6))), Hex("40 03 0B"));  // Wait
  EXPECT_EQ(Generate(Intrinsic(10, Word(6))), Hex("40 03 0A"));  // Signal
  EXPECT_EQ(Generate(Intrinsic(18, Word(6), Cn(3))), Hex("40 03 23 28 09 05 05 05"));  // Seek
  EXPECT_EQ(Generate(Intrinsic(0)), Hex("01 FF DA 21 06 0D"));  // DEBUG
  EXPECT_EQ(Generate(Intrinsic(14, Word(6))), Hex("40 03 24 09 05"));  // Open
  EXPECT_EQ(Generate(Intrinsic(15, Word(6))), Hex("40 03 25 09 05 05"));  // Close
  EXPECT_EQ(Generate(Intrinsic(16, Word(6), Word(8))), Hex("40 03 40 04 26 09 05 05"));  // Read
  EXPECT_EQ(Generate(Intrinsic(19, Word(6))), Hex("40 03 29 09 05"));  // FileInfo
  // SysOp: the first argument is the last operand.
  EXPECT_EQ(Generate(Intrinsic(20, nullptr, nullptr, Cn(1))), Hex("21 2A 09"));
  EXPECT_EQ(Generate(Intrinsic(21, Cn(2), nullptr, Cn(1))), Hex("22 21 2B 09 05"));
  EXPECT_EQ(Generate(Intrinsic(22, Cn(2), Cn(3), Cn(1))), Hex("22 23 21 2C 09 05 05"));
}

TEST_F(StatementTest, StatementsBeforeComeFirst) {
  // if (x) y = 1;  after  z = 2;  after  wait(s);
  Tree wait = Build(L_io, Leaf(11), {nullptr, Word(10)});
  Tree set = Set(8, 2, wait);
  Tree branch = If(Word(6), Set(12, 1));
  SetKid(branch, 1, set);
  EXPECT_EQ(Generate(branch), Hex("40 05 0B 22 50 04 40 03 C0 03 21 50 06"));
}

}  // namespace
}  // namespace vyl::cgtest
