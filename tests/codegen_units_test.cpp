// The code generator's larger units on front-end trees: switch dispatch
// tables, methods and their limits, the release of references, and the
// constant pool.
#include "fixture.h"

namespace vyl::test {
namespace {

class SwitchCodeTest : public SessionTest {
 protected:
  Tree sw = nullptr;
  Tree last = nullptr;  // the newest case group
  // switch (local 8) with groups `case value: local 6 = n; break;` (no
  // value: default), in the order given.
  Tree Switch(std::initializer_list<std::pair<Tree, int32_t>> groups) {
    sw = Build(L_sw, nullptr, {nullptr, Word(8), nullptr});
    last = nullptr;
    for (auto [value, n] : groups) last = Build(L_cs, nullptr, {last, value, Build(L_ex, sw, {Set(6, n)})});
    SetKid(sw, 3, last);
    return sw;
  }
};

TEST_F(SwitchCodeTest, CasesOneTwoFiveAndADefault) {
  Switch({{Cn(1), 1}, {Cn(2), 2}, {Cn(5), 5}, {nullptr, 0}});
  Generate(sw, 0x100);
  ASSERT_TRUE(FwdJumps(fixups));
  EXPECT_EQ(next, 0x135);
  EXPECT_EQ(Bytes(0x100, next), Hex("80 14"                           // to the dispatch
                                    " 21 50 03 80 2E"                 // case 1, break
                                    " 22 50 03 80 29"                 // case 2
                                    " 25 50 03 80 24"                 // case 5
                                    " 20 50 03 80 1F"                 // default
                                    " 40 04"                          // selector
                                    " 21 1D 04 04 20 17 C0 11"        // k = s - 1; k >= 0 or J1
                                    " 24 16 C0 0E"                    // k <= 4 or J2
                                    " 04 1C 0F"                       // JUMPX 2k
                                    " BF D9 BF DC BF E4 BF E2 BF DB"  // 1, 2, default, default, 5
                                    " 05 05 BF DC"));                 // J1: 05 05, J2: 05; to default
  EXPECT_EQ(ValueOf(sw), 0x135);
  std::vector<int32_t> starts;
  for (Tree g = last; g; g = Kid(g, 1)) starts.push_back(ValueOf(g));
  EXPECT_EQ(starts, (std::vector<int32_t>{0x111, 0x10C, 0x107, 0x102}));
}

TEST_F(SwitchCodeTest, DispatchTables) {
  // Without a default the way out of range ends at the exit:
  // 80 05 | 21 50 03 00 00 | 40 04 | 27 1D 04 04 20 17 J1 | 20 16 J2 | 04 1C 0F | entry | 05 05 JUMP
  Generate(Switch({{Cn(7), 1}}), 0x100);
  EXPECT_EQ(next, 0x11E);
  EXPECT_EQ(Bytes(0x100, 0x11E),
            Hex("80 05 21 50 03 00 00 40 04 27 1D 04 04 20 17 C0 09 20 16 C0 06 04 1C 0F BF E8 05 05 80 00"));
  // Negative cases index from the lowest: the dispatch at 0x10E, the table
  // at 0x11D: -2 -> 0x102, -1 -> the exit 0x127, 0 -> 0x107.
  Generate(Switch({{Cn(-2), 1}, {Cn(0), 2}}), 0x100);
  EXPECT_EQ(next, 0x127);
  EXPECT_EQ(Bytes(0x10E, 0x127), Hex("3E 1D 04 04 20 17 C0 0D 22 16 C0 0A 04 1C 0F BF E3 80 06 BF E4 05 05 80 00"));
  // One case and a default: a table of one entry to 0x102; 05 05 at 0x11F;
  // the JUMP at 0x121 to the default at 0x107.
  Generate(Switch({{Cn(3), 1}, {nullptr, 2}}), 0x100);
  EXPECT_EQ(next, 0x123);
  EXPECT_EQ(Bytes(0x10C, 0x123), Hex("40 04 23 1D 04 04 20 17 C0 09 20 16 C0 06 04 1C 0F BF E3 05 05 BF E4"));
  // 0 and 255: a full table of 256 entries at 0x11F, so that J1 (at 0x114)
  // and J2 (at 0x11A) reach 0x31F and 0x320; entry 1 goes to the exit 0x323.
  Generate(Switch({{Cn(0), 1}, {Cn(255), 2}}), 0x100);
  EXPECT_EQ(next, 0x11F + 512 + 4);
  EXPECT_EQ(Bytes(0x10C, 0x11F), Hex("40 04 20 1D 04 04 20 17 C2 09 01 00 FF 16 C2 04 04 1C 0F"));
  EXPECT_EQ(Bytes(0x11F + 2, 0x11F + 4), Hex("82 00"));
}

TEST_F(SwitchCodeTest, SwitchIsLimitedTo8191Bytes) {
  // jump 2 + body + break 2 + selector 2 + dispatch 15 + one entry 2 + 4:
  // a body of 8164 bytes makes 8191 in all, 8165 makes 8192.
  Switch({{Cn(1), 1}});
  SetKid(last, 3, Build(L_ex, sw, {Filler(8164)}));
  Generate(sw, 0x100);
  EXPECT_EQ(next, 0x100 + 8191);
  Switch({{Cn(1), 1}});
  SetKid(last, 3, Build(L_ex, sw, {Filler(8165)}));
  EXPECT_TRUE(Fails(sw, 0x100));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Too much code in body of 'switch'"});
}

TEST_F(SwitchCodeTest, CaseRangeAndCaseJumps) {
  Tree a = Build(L_cs, Leaf(0x10), {nullptr, Cn(4), nullptr});
  Tree b = Build(L_cs, Leaf(0x20), {nullptr, nullptr, nullptr});
  Tree c = Build(L_cs, Leaf(0x30), {nullptr, Cn(-1), nullptr});
  Tree list = nullptr, deflt = nullptr, values = nullptr;
  ListMerge(Build(L_cs, a, {nullptr, Cn(4)}), Build(L_cs, b, {nullptr, nullptr}), list);
  ListMerge(list, Build(L_cs, c, {nullptr, Cn(-1)}), list);
  int32_t count = 0, low = 0, high = 0;
  ASSERT_TRUE(CaseRange(deflt, count, low, high, values, list));
  EXPECT_EQ(std::make_tuple(count, low, high, ValueOf(deflt)), std::make_tuple(2, -1, 4, 0x20));
  EXPECT_EQ(SetElements(values), (std::vector<int32_t>{4, -1}));
  ASSERT_TRUE(CaseJumps(0x100, -1, list));
  EXPECT_EQ(Bytes(0x100, 0x10C), Hex("BF 2E 00 00 00 00 00 00 00 00 BF 04"));  // -1 -> 0x30, 4 -> 0x10
  ASSERT_TRUE(CaseRange(deflt, count, low, high, values, nullptr));
  EXPECT_EQ(std::make_tuple(count, low, high), std::make_tuple(0, 65536, -65536));
}

class MethodCodeTest : public SessionTest {
 protected:
  // A method record as the front end builds it, without parameters.  (The
  // name, entry word, frame and return of methods: images.cases.)
  static Tree Method(const char* name, int32_t number, Tree body, Tree before = nullptr) {
    Tree signature = Build(L_xf, Leaf(1), {Build(L_ty), nullptr, Build(L_nn), Build(L_no, nullptr, {nullptr})});
    return Build(L_fn, Leaf(InternText(name)), {before, signature, Build(L_up), Build(L_fn, Leaf(number)), body});
  }
  static Tree Variable(int32_t offset) { return Build(L_vr, Leaf(0), {nullptr, Build(L_ty), nullptr, Of(offset)}); }
};

TEST_F(MethodCodeTest, TheTrapTailIsNotSharedAcrossMethods) {
  auto check = [] { return Assign(nullptr, nullptr, Build(L_un, nullptr, {Of(6)})); };
  Tree g = Method("g", 3, check(), Method("f", 2, check()));
  EXPECT_EQ(Generate(g, 0x20), Hex("66 01 20 02 3F 02 26 1C 04 11 C0 02 21 09 21 03"
                                   " 67 01 20 02 3F 02 26 1C 04 11 C0 02 21 09 21 03"));
  EXPECT_EQ(WordAt(kTrapTailWord), 0x20 + 16 + 12);
}

TEST_F(MethodCodeTest, FailuresNameTheMethodAndLine) {
  // Code that would reach the reserved words, before any line was marked.
  EXPECT_TRUE(Fails(Method("big", 2, Line(7, Filler(40))), 0x7FF6 - 40));
  Tree call = Build(L_fc, Leaf(0), {Line(3, Set(6, 1)), nullptr, Build(L_nt, Leaf(InternText("nowhere"))),
                                    Build(L_nn, Leaf(0))});
  EXPECT_TRUE(Fails(Method("f", 2, Line(4, call))));
  // An early return out of reach of the exit.
  Tree method = Method("long", 2, nullptr);
  SetKid(method, 5, Line(5, Filler(8200, Line(4, Build(L_rt, method, {nullptr})))));
  EXPECT_TRUE(Fails(method, 0x100));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Too much code @32758",
                                                   "Compile failed generating code for big near line #0",
                                                   "Undefined function or method nowhere",
                                                   "Compile failed generating code for f near line #3",
                                                   "Compile failed generating code for long near line #5"}));
}

TEST_F(MethodCodeTest, DeclarationsGenerateWhatPrecedesThem) {
  // A class or variable record generates what precedes it; `no` pairs both.
  Tree var = Build(L_vr, Leaf(0), {Set(6, 1), Build(L_ty), nullptr, Of(6)});
  Tree cls = Build(L_cl, Leaf(0), {var, nullptr, nullptr, nullptr, nullptr, Build(L_sz)});
  EXPECT_EQ(Generate(Build(L_no, nullptr, {cls, Set(8, 2)})), Hex("21 50 03 22 50 04"));
  EXPECT_EQ(Generate(Build(L_ty, Leaf(0), {Set(6, 3)}), 0x200), Hex("23 50 03"));
  EXPECT_EQ(Generate(nullptr, 0x300), std::vector<int>{});
}

TEST_F(MethodCodeTest, GenerationUnderFullTraceGivesTheSameCode) {
  SetTraceLevel(2);
  Tree method = Method("hello", 2, nullptr);
  SetKid(method, 5, Line(3, Build(L_rt, method, {Set(6, 1)})));
  Generate(method, 0x40);
  ASSERT_TRUE(FwdJumps(fixups));
  SetTraceLevel(0);
  EXPECT_EQ(Bytes(0x40, next), Hex("68 65 6C 6C 6F 05 20 02 21 50 03 80 03 00 00 03 21 03"));
  for (const char* rule : {"+CodeGen", "-CoStmGen", "+PutBy"}) {
    EXPECT_NE(host.files["KIBdbg.txt"].find(rule), std::string::npos) << rule;
  }
}

// CodeGen skips the generators that cannot take a tree's label; traced, it
// tries each in turn.  Both leave the same code and KibStack.
TEST_F(MethodCodeTest, SkippedGeneratorsLeaveWhatTryingThemLeaves) {
  const std::function<Tree()> trees[] = {
      [] { return Set(6, 1); },                                       // a statement
      [] { return Cn(5); },                                           // operands
      [] { return Word(6); },
      [] { return Build(L_ng, nullptr, {Word(8)}); },
      [] { return Build(L_ad, nullptr, {Cn(1), Word(6)}); },          // an operator
      [] { return Build(L_no, nullptr, {Set(6, 1), Set(8, 2)}); },    // CodeGen's own
      [] { return Tree{nullptr}; }};
  for (std::size_t i = 0; i < std::size(trees); ++i) {
    struct Outcome {
      std::vector<int> bytes;
      int32_t depth = 0, highWater = 0;
      bool operator==(const Outcome&) const = default;
    } outcome[2];
    for (int traced = 0; traced < 2; ++traced) {
      Open();
      Tree tree = trees[i]();
      Rules().highWater = KibDepth();  // only what generating reaches
      SetTraceLevel(traced ? 2 : 0);
      outcome[traced].bytes = Generate(tree);
      SetTraceLevel(0);
      outcome[traced].depth = KibDepth();
      outcome[traced].highWater = KibHighWater();
    }
    EXPECT_TRUE(outcome[0] == outcome[1]) << "tree " << i << ": high water " << outcome[0].highWater << " / "
                                          << outcome[1].highWater;
  }
}

TEST_F(MethodCodeTest, ReferencesAreReleasedOldestFirstAndRecordedForFunctionsOnly) {
  // The list as PointList builds it: newest first.
  Tree older = Build(L_vr, nullptr, {nullptr, Variable(-2)});
  Tree list = Build(L_no, nullptr, {Build(L_vr, nullptr, {older, Variable(8)})});
  ASSERT_TRUE(PointerKill(0x200, next, list));
  EXPECT_EQ(Bytes(0x200, next), Hex("4F FF 23 09 05 05 40 04 23 09 05 05"));
  EXPECT_EQ(ValueOf(list), 0x200);  // the exit: where the epilogue starts
  int32_t exit = 0;
  ASSERT_TRUE(FwdExit(exit, Build(L_fn, Leaf(0), {nullptr, Build(L_xf, Leaf(1), {nullptr, nullptr, nullptr, list})})));
  EXPECT_EQ(exit, 0x200);
  Tree far = Build(L_no, nullptr, {Build(L_vr, nullptr, {nullptr, Variable(5000)})});
  ASSERT_TRUE(PointerKill(0x200, next, far));
  EXPECT_EQ(Bytes(0x200, next), Hex("3F 02 01 13 88 1C 0C 23 09 05 05"));
  Tree none = Build(L_no);
  ASSERT_TRUE(PointerKill(0x300, next, none));
  EXPECT_EQ(std::make_pair(next, ValueOf(none)), std::make_pair(0x300, 0x300));
  // PointList records references of the function in scope, newest first.
  Tree signature = Build(L_xf, Leaf(1), {nullptr, nullptr, Build(L_nn), Build(L_no)});
  Tree function = Build(L_fn, Leaf(0), {nullptr, signature, nullptr, Build(L_fn, Leaf(2)), nullptr});
  Tree scope = nullptr, top = nullptr, a = Variable(6), b = Variable(8);
  ASSERT_TRUE(into(kKeyContext, nullptr, function, scope) && into(kKeyContext, nullptr, nullptr, top));
  ASSERT_TRUE(PointList(1, scope, a) && PointList(0, scope, Variable(10)) && PointList(1, scope, b));
  EXPECT_FALSE(PointList(2, scope, b));
  Tree recorded = Kid(Kid(signature, 4), 1);
  EXPECT_EQ(Kid(recorded, 2), b);
  EXPECT_EQ(Kid(Kid(recorded, 1), 2), a);
  EXPECT_EQ(Kid(Kid(recorded, 1), 1), nullptr);
  ASSERT_TRUE(PointList(1, top, Variable(6)));  // at the top level nothing is recorded
}

TEST_F(MethodCodeTest, StringTablesKeepSevenBitsAndShareEqualTexts) {
  Tree pool = Build(L_tk, nullptr, {nullptr, nullptr}), table = nullptr, again = nullptr;
  ASSERT_TRUE(into(kKeyTablePool, nullptr, pool, syms));
  ASSERT_TRUE(StringConstant(InternText("\xC1z", 6), syms, table));
  ASSERT_TRUE(StringConstant(InternText("\xC1z", 6), syms, again));
  EXPECT_EQ(table, again);
  ASSERT_TRUE(ConstantPool(-1, 8, next, pool));
  EXPECT_EQ(Bytes(8, next), Hex("FF F0 00 04 00 41 00 7A"));
  EXPECT_EQ(ValueOf(table), 12);  // the address of its first item
  EXPECT_EQ(Generate(table, 0x40), Hex("60 00 01 00 36 1D"));
}

}  // namespace
}  // namespace vyl::test
