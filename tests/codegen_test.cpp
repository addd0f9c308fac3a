// The code generator on the trees the front end builds: the emit
// procedures and their limits, variable access in every mode and its
// rewrites, and the code of expressions and statements, byte by byte.
#include "fixture.h"

namespace vyl::test {
namespace {

using CodegenTest = SessionTest;

Tree Op(int32_t label, Tree left, Tree right) { return Build(label, nullptr, {left, right}); }
Tree If(Tree condition, Tree thenPart, Tree elsePart = nullptr) {
  return Build(L_if, nullptr, {nullptr, condition, thenPart, elsePart});
}
Tree CallOf(int32_t number, Tree arguments, int32_t resultSize, int32_t name = 0) {
  return Build(L_fc, Leaf(number), {nullptr, arguments, Build(L_nt, Leaf(name)), Build(L_nn, Leaf(resultSize))});
}
// A method whose exit address the holder records.
Tree Method(Tree exitHolder) {
  return Build(L_fn, Leaf(0), {nullptr, Build(L_xf, Leaf(1), {nullptr, nullptr, nullptr, exitHolder})});
}

TEST_F(CodegenTest, PutConstantTakesTheShortestForm) {
  const std::pair<int32_t, const char*> cases[] = {
      {0, "20"},          {27, "3B"},       {28, "01 00 1C"},       {-1, "3F"},           {-4, "3C"},
      {-5, "25 10"},      {-27, "3B 10"},   {-28, "01 FF E4"},      {-32768, "01 80 00"},
      {70000, "01 11 70"},  // only the low 16 bits reach the image
      {kMinInt, "01 00 00"}};
  for (auto [value, hex] : cases) {
    ASSERT_TRUE(PutConstant(value, 0x200, next));
    EXPECT_EQ(Bytes(0x200, next), Hex(hex)) << value;
  }
  ASSERT_TRUE(PutIntger(-8, 0x300, next) && PutIntger(4660, next, next));
  EXPECT_EQ(Bytes(0x300, next), Hex("FF F8 12 34"));
  EXPECT_EQ(Image().size(), 32768u);
}

TEST_F(CodegenTest, JumpWordsCountFromTheByteAfterTheJump) {
  ASSERT_TRUE(JumpTo(0, 0x400, 0x402));
  ASSERT_TRUE(JumpTo(1, 0x410, 0x410));
  ASSERT_TRUE(JumpTo(1, 0x420, 0x422 + 8191));    // the farthest forward
  ASSERT_TRUE(JumpTo(0, 0x3000, 0x3002 - 8192));  // the farthest back
  EXPECT_EQ(Bytes(0x400, 0x402), Hex("C0 00"));
  EXPECT_EQ(Bytes(0x410, 0x412), Hex("BF FE"));
  EXPECT_EQ(Bytes(0x420, 0x422), Hex("9F FF"));
  EXPECT_EQ(Bytes(0x3000, 0x3002), Hex("E0 00"));
  EXPECT_FALSE(JumpTo(2, 0x430, 0x430));
}

TEST_F(CodegenTest, CodeStopsBelowTheReservedWords) {
  ASSERT_TRUE(PutBy(0xAB, 0x7FF5, next));
  for (int32_t at : {0x7FF6, 32767, 32768, -1}) EXPECT_FALSE(PutBy(1, at, next)) << at;
  EXPECT_FALSE(PutConstant(300, 0x7FF4, next));  // a word that would straddle the limit
  EXPECT_FALSE(DoLibe(0x7FF6 - 29, next));        // the support routine is 30 bytes
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Too much code @32758", "Too much code @32767",
                                                   "Too much code @32768", "Too much code @-1",
                                                   "Too much code @32758", "Too much code @32758"}));
  EXPECT_EQ(Bytes(0x7FF6, 0x8000), std::vector<int>(10, 0));
  ASSERT_TRUE(DoLibe(0x7FF6 - 30, next));
  EXPECT_EQ(next, 0x7FF6);
  // The reserved words are written and read as words.
  ASSERT_TRUE(PutIntger(0x4321, kTrapTailWord, next) && PutIntger(17, kLineWord, next));
  int32_t value = 0;
  ASSERT_TRUE(GetMemInt(kTrapTailWord, value));
  EXPECT_EQ(value, 0x4321);
  EXPECT_EQ(WordAt(kLineWord), 17);
  EXPECT_FALSE(GetMemInt(32767, value));
  EXPECT_FALSE(GetMemInt(-1, value));
}

TEST_F(CodegenTest, TheWatchAddressTracesTheNext256Bytes) {
  ASSERT_TRUE(PutIntger(0x600, kWatchWord, next));
  for (auto [at, level] : {std::pair{0x5FF, 0}, {0x600, 2}, {0x6FF, 2}, {0x700, 0}}) {
    ASSERT_TRUE(PutBy(1, at, next));
    EXPECT_EQ(TraceLevel(), level) << at;
  }
}

TEST_F(CodegenTest, VariableAccessInEveryMode) {
  // (Locals, parameters, globals, &x and device registers as programs use
  // them: code.cases.)
  auto element = [] { return Build(L_ad, nullptr, {Of(6), Word(8)}); };
  const std::tuple<int32_t, Tree, const char*> cases[] = {
      {kAddressOnly, Of(0), "3F 02"},
      {kLoadByte, Of(4), "3F 02 23 1C 0C 01 00 FF 19"},  // the word one byte earlier, masked
      {kStoreByte, Of(4), "3F 02 24 1C 20 07"},
      {kLoadWord, Of(3), "3F 02 23 1C 0C"},  // odd offsets have no short form
      {kStoreWord, Of(3), "3F 02 23 1C 0D"},
      {kAddressOnly, Of(-4), "3F 02 3C 1C"},
      {kLoadWord, Of(4094), "47 FF"},  // the short forms end with the 12-bit word index
      {kLoadWord, Of(-4096), "48 00"},
      {kLoadWord, Of(4096), "3F 02 01 10 00 1C 0C"},
      {kStoreWord, Of(5000), "3F 02 01 13 88 1C 0D"},
      {kLoadWord, Of(-4098), "3F 02 01 EF FE 1C 0C"},
      {kLoadWord, Of(0, Build(L_gl)), "40 00 0C"},  // globals from frame word 0
      {kLoadByte, Of(6, Build(L_gl)), "40 00 26 1C 21 1D 0C 01 00 FF 19"},
      {kLoadWord, Cn(-32), "01 FF E0 0C"},  // absolute addresses
      {kLoadByte, Cn(-32), "01 FF DF 0C 01 00 FF 19"},
      {kStoreByte, Cn(100), "01 00 64 20 07"},
      {kLoadWord, Of(2, Of(4, Cn(100))), "01 00 6A 0C"},  // folded to 106
      {kStoreWord, Word(6), "40 03 0D"},                   // computed addresses
      {kLoadByte, Word(6), "40 03 21 1D 0C 01 00 FF 19"},
      {kLoadWord, nullptr, "3F 02 0C"},
      {kStoreWord, Build(L_bt, nullptr, {Of(4)}), "3F 02 24 1C 20 07"},  // a byte target
      {kLoadWord, element(), "3F 02 26 1C 40 04 1C 0C"},
      {kStoreWord, element(), "3F 02 26 1C 40 04 1C 0D"},
      {kAddressOnly, element(), "3F 02 26 1C 40 04 1C"},
      {kStoreWord, Build(L_bt, nullptr, {element()}), "3F 02 26 1C 40 04 1C 20 07"},
      {kStoreWord, Build(L_ki, nullptr, {Of(4, Word(6))}), "40 03 24 1C 0D"},  // a field
  };
  for (const auto& [mode, access, hex] : cases) {
    Tree list = nullptr;
    ASSERT_TRUE(GenVarAcc(mode, 0x100, next, list, access)) << hex;
    EXPECT_EQ(Bytes(0x100, next), Hex(hex)) << mode << ": " << hex;
  }
  EXPECT_FALSE(GenVarAcc(3, 0x100, next, fixups, Of(4)));
  EXPECT_FALSE(GenVarAcc(-3, 0x100, next, fixups, Of(4)));
}

TEST_F(CodegenTest, AccessTreesAreSimplified) {
  // A tree, its form after one VarOptimize (and whether it changed), its
  // form after MultiOpt; built afresh for each, as both rewrite in place.
  auto cases = [] {
    auto in = [] { return Build(L_in); };
    return std::vector<std::tuple<Tree, Tree, int32_t, Tree>>{
        {Cn(4), Cn(4), 0, Cn(4)},
        {Gl(4), Gl(4), 0, Gl(4)},
        {Of(4), Of(4), 0, Of(4)},
        {Of(4, Build(L_dr, nullptr, {in()})), Of(4), 1, Of(4)},
        {Build(L_dr, nullptr, {Of(4, in())}), Of(4), 1, Of(4)},
        {Of(4, Build(L_dr, nullptr, {Build(L_bg)})), Of(4, Build(L_gl)), 1, Gl(4)},
        {Build(L_dr, nullptr, {Of(4, Build(L_bg))}), Of(4, Build(L_gl)), 1, Gl(4)},
        {Of(6, in()), Of(6), 1, Of(6)},
        {Build(L_bg), Build(L_gl), 1, Build(L_gl)},
        {Of(4, Gl(2)), Gl(6), 1, Gl(6)},
        {Op(L_mp, Cn(3), Cn(4)), Cn(12), 1, Cn(12)},
        {Op(L_ad, Cn(3), Cn(4)), Cn(7), 1, Cn(7)},
        {Op(L_su, Cn(3), Cn(4)), Cn(-1), 1, Cn(-1)},
        {Of(4, Op(L_ad, Cn(2), Cn(3))), Of(4, Cn(5)), 1, Cn(9)},  // the base first
        {Of(2, Word(6)), Of(2, Word(6)), 0, Of(2, Word(6))},
        {Word(6), Word(6), 0, Word(6)},
        {Of(2, Of(4, in())), Of(6, in()), 1, Of(6)},
        {Of(2, Of(4, Of(6, in()))), Of(6, Of(6)), 1, Of(12)},  // the inner base once on the way
        {Build(L_ki, nullptr, {Of(4, in())}), Of(4, in()), 1, Of(4)},
    };
  };
  for (const auto& [tree, optimised, changed, multi] : cases()) {
    int32_t didChange = -1;
    ASSERT_TRUE(VarOptimize(didChange, tree));
    EXPECT_TRUE(Equal(tree, optimised)) << LabelName(LabelOf(optimised));
    EXPECT_EQ(didChange, changed) << LabelName(LabelOf(optimised));
  }
  for (const auto& [tree, optimised, changed, multi] : cases()) {
    ASSERT_TRUE(MultiOpt(tree));
    EXPECT_TRUE(Equal(tree, multi)) << LabelName(LabelOf(multi));
  }
  int32_t changed = -1;
  EXPECT_FALSE(VarOptimize(changed, Build(L_un, nullptr, {Of(4)})));
  // A byte read of a field stays a byte read.
  Tree t = Build(L_ki, nullptr, {Build(L_dr, Leaf(1), {Of(4, Word(6))})});
  ASSERT_TRUE(VarOptimize(changed, t));
  EXPECT_TRUE(Is(t, L_dr) && ValueOf(t) == 1);
  // A comparison with zero in a condition is left to the jump.
  Tree x = Word(6);
  for (Tree compare : {Op(L_ne, x, Cn(0)), Op(L_ne, Cn(0), x)}) {
    Tree branch = If(compare, nullptr);
    ASSERT_TRUE(ZerOptimiz(branch));
    EXPECT_EQ(Kid(branch, 2), x);
  }
  Tree keep = Op(L_ne, x, Cn(1)), branch = If(keep, nullptr);
  ASSERT_TRUE(ZerOptimiz(branch));
  EXPECT_EQ(Kid(branch, 2), keep);
}

TEST_F(CodegenTest, ExpressionAndStatementCode) {
  // The operators, intrinsics, calls and creation as programs use them are
  // compilation cases (code.cases, images.cases); these are the trees and
  // forms that only some programs reach.
  Tree first = Build(L_at, nullptr, {nullptr, Cn(1), nullptr});
  Tree field = Build(L_dr, nullptr, {Build(L_ki, nullptr, {Of(2, Word(6))})});
  Tree byteField = Build(L_dr, Leaf(1), {Build(L_ki, nullptr, {Of(2, Word(6))})});
  ASSERT_TRUE(OptDeref(field) && OptDeref(byteField));  // dr(ki(..)) becomes ki(dr(..))
  const std::pair<Tree, const char*> cases[] = {
      {Build(L_bg, Leaf(40)), "40 00 01 00 28 1C"},
      {Build(L_mt, nullptr, {Cn(5), Build(L_ty)}), "25"},  // a type conversion's wrapper
      {field, "40 03 22 1C 0C"},
      {byteField, "40 03 22 1C 21 1D 0C 01 00 FF 19"},
      {Build(L_at, nullptr, {first, Word(6), Build(L_pt)}), "21 40 03 60 01"},  // a new reference
      {Assign(nullptr, nullptr, Cn(5)), "25"},  // no target: an initialised slot
      {Assign(nullptr, nullptr, Word(6), Build(L_pt)), "40 03 60 01"},
      {Assign(nullptr, Of(6), Cn(0), Build(L_pm)), "20 40 03 23 09 05 05 50 03"},  // release only
      {Assign(nullptr, Build(L_bt, nullptr, {Word(6)}), Cn(65)), "01 00 41 40 03 20 07"},
      {CallOf(300, nullptr, 2), "20 40 00 61 2C"},
      {If(Word(6), Set(8, 1)), "40 03 C0 03 21 50 04"},
      {If(Op(L_ne, Word(6), Cn(0)), Set(8, 1)), "40 03 C0 03 21 50 04"},
      {If(Word(6), Set(8, 1), Set(8, 2)), "40 03 C0 05 21 50 04 80 03 22 50 04"},
      {If(Word(6), Set(12, 1)), "40 03 C0 03 21 50 06"},
      {Zeros(9), "20 20 20 20 20 20 20 20 20"},
      {Zeros(10), "29 20 06 21 1D 04 11 FF F8"},  // a loop from 10 words on
      {Zeros(40), "01 00 27 20 06 21 1D 04 11 FF F8"},
      {Zeros(0), ""},
  };
  for (const auto& [tree, hex] : cases) EXPECT_EQ(Generate(tree), Hex(hex)) << hex;
  // What comes before a statement is generated first.
  Tree branch = If(Word(6), Set(12, 1));
  SetKid(branch, 1, Set(8, 2, Zeros(1)));
  EXPECT_EQ(Generate(branch), Hex("20 22 50 04 40 03 C0 03 21 50 06"));
}

TEST_F(CodegenTest, LineMarkersFollowTheCodeOfEachLine) {
  EXPECT_EQ(Generate(Line(6, Set(8, 2, Line(5, Set(6, 1))))), Hex("21 50 03 00 00 05 22 50 04 00 00 06"));
  EXPECT_EQ(WordAt(kMarkerWord), 0x10C);
  EXPECT_EQ(WordAt(kLineWord), 6);
  // A statement without code on the same line adds no marker; on a later
  // line it takes the marker over; on an earlier one it does not.
  EXPECT_EQ(Generate(Line(5, Zeros(0, Line(5, Set(6, 1))))), Hex("21 50 03 00 00 05"));
  EXPECT_EQ(Generate(Line(7, Zeros(0, Line(5, Set(6, 1))))), Hex("21 50 03 00 00 07"));
  EXPECT_EQ(WordAt(kLineWord), 7);
  EXPECT_EQ(Generate(Line(8, Zeros(0, Line(9, Set(6, 1)))), 0x200), Hex("21 50 03 00 00 09"));
  EXPECT_EQ(WordAt(kLineWord), 9);
}

TEST_F(CodegenTest, AMarkersZeroByteIsLeftAsTheImageHoldsIt) {
  // Where a byte was written before, the marker still reads 00; past the
  // code, its zero byte is refused like any code byte.
  ASSERT_TRUE(PutBy(0xEE, 0x303, next));
  EXPECT_EQ(Generate(Line(5, Set(6, 1)), 0x300), Hex("21 50 03 00 00 05"));
  EXPECT_TRUE(Fails(Line(5, Set(6, 1)), kCodeLimit - 3));
  EXPECT_EQ(Messages().back(), "Too much code @32758");
}

TEST_F(CodegenTest, TheWatchCountsCodeBytesNotTheReservedWords) {
  // A marker's zero byte counts as emitted where it stands.
  ASSERT_TRUE(PutIntger(0x303, kWatchWord, next));
  Generate(Line(5, Set(6, 1)), 0x300);
  EXPECT_EQ(TraceLevel(), 2);
  SetTraceLevel(0);
  ASSERT_TRUE(PutIntger(kMarkerWord, kWatchWord, next));
  ASSERT_TRUE(PutIntger(0x1234, kMarkerWord, next));
  EXPECT_EQ(TraceLevel(), 0);
  EXPECT_EQ(WordAt(kMarkerWord), 0x1234);
}

TEST_F(CodegenTest, ChecksShareOneTrapTailWithinReach) {
  // A null check: the address, DUP, NOT, JUMPZ +2, trap 1 (21 09).
  EXPECT_EQ(Generate(Build(L_un, nullptr, {Of(6)}), 0x100), Hex("3F 02 26 1C 04 11 C0 02 21 09"));
  EXPECT_EQ(WordAt(kTrapTailWord), 0x108);
  // The next check jumps to the recorded 21 09: from 0x111 back to 0x108.
  EXPECT_EQ(Generate(Build(L_un, nullptr, {Of(6)}), 0x10A), Hex("3F 02 26 1C 04 FF F7"));
  // A range check: base, byte index, limit, 07 and the shared tail.
  EXPECT_EQ(Generate(Build(L_rx, Leaf(20), {Of(6), Word(8)}), 0x111), Hex("3F 02 26 1C 40 04 34 07 FF ED"));
  // 8180 bytes after the tail it is shared; one byte further a check has a
  // tail of its own, which becomes the new one.
  ASSERT_TRUE(PutIntger(0x100, kTrapTailWord, next));
  EXPECT_EQ(Generate(Build(L_rx, Leaf(-1), {Cn(0), Cn(0)}), 0x100 + 8180 - 3), Hex("20 20 3F 07 E0 09"));
  EXPECT_EQ(Generate(Build(L_rx, Leaf(-1), {Cn(0), Cn(0)}), 0x100 + 8181 - 3), Hex("20 20 3F 07 11 C0 02 21 09"));
  EXPECT_EQ(WordAt(kTrapTailWord), 0x100 + 8181 + 4);
}

TEST_F(CodegenTest, EndlessLoopsAndReferenceResults) {
  // while, do, break, continue and return as programs use them are
  // compilation cases (images.cases); here the loop with no condition, and
  // the two ways a reference result is marked (on the slot or as a type).
  Tree endless = Build(L_wh, nullptr, {nullptr, Set(6, 1)});
  EXPECT_EQ(Generate(endless), Hex("21 50 03 BF FB"));
  EXPECT_EQ(ValueOf(endless), 0x100 * 65536 + 0x105);  // start and exit
  Tree method = Method(Build(L_no, Leaf(0x320)));
  EXPECT_EQ(Generate(Build(L_rt, method, {nullptr, Word(6), Of(-4, Build(L_pt))})), Hex("40 03 60 01 5F FE 00 00"));
  EXPECT_EQ(Generate(Build(L_rt, method, {nullptr, Word(6), Of(-4), Build(L_pt)})), Hex("40 03 60 01 5F FE 00 00"));
}

TEST_F(CodegenTest, BodiesAndJumpsOutOfReachFail) {
  ASSERT_FALSE(Generate(If(Word(6), Filler(8189))).empty());
  ASSERT_FALSE(Generate(Build(L_wh, nullptr, {nullptr, Filler(8190)})).empty());
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(Fails(If(Word(6), Filler(8190))));  // the then part and its slot: 8192
  EXPECT_TRUE(Fails(If(Word(6), Zeros(1), Filler(8192)), 0x200));
  EXPECT_TRUE(Fails(Build(L_wh, nullptr, {nullptr, Filler(8191)}), 0x3000));
  EXPECT_TRUE(Fails(Build(L_lp, nullptr, {nullptr, Filler(8192)})));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Too much code in body of 'if'", "Too much code in body of 'if'",
                                                   "Too much code in body of 'while'",
                                                   "Too much code in body of 'do'"}));
  // A late jump just out of reach fails and leaves its slot; just in reach it is written.
  Tree far = Build(L_wh, Leaf(0x100 * 65536 + 0x100 + 2 + 8192), {nullptr, nullptr});
  ASSERT_FALSE(Generate(Build(L_ex, far, {nullptr})).empty());
  EXPECT_FALSE(FwdJumps(fixups));
  EXPECT_EQ(Bytes(0x100, 0x102), Hex("00 00"));
  Tree near = Build(L_wh, Leaf(0x100 * 65536 + 0x100 + 2 + 8191), {nullptr, nullptr});
  ASSERT_FALSE(Generate(Build(L_ex, near, {nullptr})).empty());
  EXPECT_TRUE(FwdJumps(fixups));
  EXPECT_EQ(Bytes(0x100, 0x102), Hex("9F FF"));
}

TEST_F(CodegenTest, UnknownTreesAndMissingTargetsAreReported) {
  EXPECT_TRUE(Fails(Build(L_yk)));
  EXPECT_TRUE(Fails(CallOf(0, nullptr, 0, InternText("later"))));
  for (Tree late : {Build(L_ex, Build(L_wh, nullptr, {nullptr, nullptr}), {nullptr}),
                    Build(L_nx, Build(L_sw, Leaf(0x300), {nullptr, nullptr, nullptr}), {nullptr}),
                    Build(L_rt, Method(Build(L_no)), {nullptr})}) {
    ASSERT_FALSE(Generate(late).empty());
    EXPECT_FALSE(FwdJumps(fixups));
  }
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Oops (CodeGen)", "Undefined function or method later",
                                                   "Oops, unmarked or undefined exit tree",
                                                   "Oops, unmarked or undefined repeat tree",
                                                   "Oops, unmarked function exit"}));
}

TEST_F(CodegenTest, ShiftBitsShiftsLeftOrArithmeticallyRight) {
  const std::tuple<int32_t, int32_t, int32_t> cases[] = {
      {1, 3, 8},          {-5, -1, -3},       {-1, -4, -1},         {12, -2, 3},           {3, -5, 0},
      {1, 31, kMinInt},   {1, 32, 0},         {0x40000000, 1, kMinInt}, {-7, kMinInt, -1}, {5, kMaxInt, 0}};
  for (auto [value, count, expected] : cases) {
    int32_t r = 0;
    ASSERT_TRUE(ShiftBits(value, count, r));
    EXPECT_EQ(r, expected) << value << " by " << count;
  }
}

}  // namespace
}  // namespace vyl::test
