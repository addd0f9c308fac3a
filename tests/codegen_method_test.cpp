// Methods as the driver lays them out: name bytes, length byte, entry word,
// frame, body, epilogue and return; the start stub; a whole program image.
#include "codegen_fixture.h"

namespace vyl::cgtest {
namespace {

class MethodTest : public CodegenTest {
 public:
  // A method record as the front end builds it; count = parameter words + 1.
  static Tree Method(const char* name, int32_t number, Tree body, Tree before = nullptr, int32_t count = 1,
                     Tree references = nullptr) {
    Tree signature = Build(L_xf, Leaf(count), {Build(L_ty), nullptr, Build(L_nn), Build(L_no, nullptr, {references})});
    return Build(L_fn, Leaf(InternText(name)), {before, signature, Build(L_up), Build(L_fn, Leaf(number)), body});
  }
  static Tree Set(int32_t offset, int32_t value, Tree before = nullptr) {
    return Assign(before, Of(offset), Cn(value));
  }
};

TEST_F(MethodTest, MethodWithAFiveCharacterName) {
  Tree method = Method("hello", 2, Line(3, Set(6, 1)));
  EXPECT_EQ(Generate(method, 0x40), Hex("68 65 6C 6C 6F 05 20 02 21 50 03 00 00 03 21 03"));
  // The entry word points at the fifth name character.
  EXPECT_EQ(WordAt(6), 0x44);
  // The exit address: where the epilogue begins.
  EXPECT_EQ(ValueOf(Kid(Kid(method, 2), 4)), 0x4E);
}

TEST_F(MethodTest, ParametersAreDroppedByReturnAndReferencesReleased) {
  Tree reference = Build(L_vr, Leaf(0), {nullptr, Build(L_ty), nullptr, Of(-2)});
  Tree method = Method("g", 4, nullptr, nullptr, 3, Build(L_vr, nullptr, {nullptr, reference}));
  SetKid(method, 5, Build(L_rt, method, {Set(6, 1)}));
  // 67 01 | 20 02 | 21 50 03 | rt slot | 4F FF 23 09 05 05 | 23 03
  EXPECT_EQ(Generate(method, 0x80), Hex("67 01 20 02 21 50 03 80 00 4F FF 23 09 05 05 23 03"));
  EXPECT_EQ(WordAt(2 + 2 * 4), 0x80);
}

TEST_F(MethodTest, MethodsInDeclarationOrderAfterTheStartStub) {
  int32_t unused = 0;
  ASSERT_TRUE(PutIntger(3, 0, unused));  // main is procedure 3
  Tree f = Method("f", 2, Set(6, 1));
  Tree program = Method("main", 3, Set(6, 2), f);
  EXPECT_EQ(Generate(program, 0x0A),
            Hex("40 00 60 03 20 03"           // the start stub: call main, return
                " 66 01 20 02 21 50 03 21 03"  // f
                " 6D 61 69 6E 04 20 02 22 50 03 21 03"));
  EXPECT_EQ(WordAt(0), 0);
  EXPECT_EQ(WordAt(6), 0x10);
  EXPECT_EQ(WordAt(8), 0x1C);
}

TEST_F(MethodTest, TrapTailIsNotSharedAcrossMethods) {
  Tree check = Assign(nullptr, nullptr, Build(L_un, nullptr, {Of(6)}));
  Tree f = Method("f", 2, check);
  Tree g = Method("g", 3, Assign(nullptr, nullptr, Build(L_un, nullptr, {Of(6)})), f);
  EXPECT_EQ(Generate(g, 0x20), Hex("66 01 20 02 3F 02 26 1C 04 11 C0 02 21 09 21 03"
                                   " 67 01 20 02 3F 02 26 1C 04 11 C0 02 21 09 21 03"));
  EXPECT_EQ(WordAt(kTrapTailWord), 0x20 + 16 + 12);
}

TEST_F(MethodTest, WholeProgramImage) {
  // As the start rule lays it out: procedures 0 (start), 1 (_Up), 2 (main).
  const int32_t n = 3;
  Tree pool = Build(L_tk, nullptr, {nullptr, nullptr});
  int32_t s = 0;
  int32_t at = 0;
  ASSERT_TRUE(ConstantPool(-1, 2 + 2 * n, s, pool));
  ASSERT_EQ(s, 8);
  ASSERT_TRUE(PutIntger(s - 2, 2, at));
  ASSERT_TRUE(PutIntger(2, 0, at));
  ASSERT_TRUE(PutConstant(0, s, at));
  ASSERT_TRUE(PutBy(2, at, at));
  Tree main = Method("main", 2, nullptr);
  SetKid(main, 5, Line(2, Build(L_rt, main, {nullptr})));
  Tree list = nullptr;
  ASSERT_TRUE(CodeGen(at, at, list, main));
  ASSERT_TRUE(FwdJumps(list));
  ASSERT_TRUE(DoLibe(at, at));
  ASSERT_TRUE(PutIntger(at, 0, s));
  EXPECT_EQ(Bytes(0, at), Hex("00 3C 00 06 00 20 00 13 20 02"  // size, entries 0 1 2, start code
                              " 40 00 60 02 20 03"              // start stub
                              " 6D 61 69 6E 04 20 02"           // main
                              " 80 03 00 00 02 21 03"           // return to the exit, line 2, RET 1
                              " 5F 55 70 03 20 02 40 00 C0 12 40 00 24 1D 04 0C 30 10 19 11 C0 06 04 0C"
                              " 21 1C 06 0D 20 03"));
}

TEST_F(MethodTest, PrototypeWithoutBodyIsReported) {
  EXPECT_TRUE(Fails(Method("later", 2, nullptr)));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Function later has a prototype but no body"});
}

TEST_F(MethodTest, FailureInsideABodyNamesTheMethodAndLine) {
  Tree call = Build(L_fc, Leaf(0), {Line(3, Set(6, 1)), nullptr, Build(L_nt, Leaf(InternText("nowhere"))),
                                    Build(L_nn, Leaf(0))});
  EXPECT_TRUE(Fails(Method("f", 2, Line(4, call))));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Undefined function or method nowhere",
                                                   "Compile failed generating code for f near line #3"}));
}

TEST_F(MethodTest, EarlyReturnOutOfReachFailsTheMethod) {
  Tree method = Method("long", 2, nullptr);
  Tree early = Line(4, Build(L_rt, method, {nullptr}));
  SetKid(method, 5, Line(5, Filler(8200, early)));
  EXPECT_TRUE(Fails(method, 0x100));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Compile failed generating code for long near line #5"});
}

TEST_F(MethodTest, CodeReachingTheReservedWordsFailsTheMethod) {
  EXPECT_TRUE(Fails(Method("big", 2, Line(7, Filler(40))), 0x7FF6 - 40));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Too much code @32758",
                                                   "Compile failed generating code for big near line #0"}));
}

TEST_F(MethodTest, DeclarationsAndSequences) {
  // A class or variable record generates what precedes it; `no` pairs both.
  Tree var = Build(L_vr, Leaf(0), {Set(6, 1), Build(L_ty), nullptr, Of(6)});
  Tree cls = Build(L_cl, Leaf(0), {var, nullptr, nullptr, nullptr, nullptr, Build(L_sz)});
  Tree pair = Build(L_no, nullptr, {cls, Set(8, 2)});
  EXPECT_EQ(Generate(pair), Hex("21 50 03 22 50 04"));
  EXPECT_EQ(Generate(Build(L_ty, Leaf(0), {Set(6, 3)}), 0x200), Hex("23 50 03"));
  EXPECT_EQ(Generate(nullptr, 0x300), std::vector<int>{});
}

TEST_F(MethodTest, GenerationUnderFullTraceGivesTheSameCode) {
  SetTraceLevel(2);
  Tree method = Method("hello", 2, nullptr);
  SetKid(method, 5, Line(3, Build(L_rt, method, {Set(6, 1)})));
  Generate(method, 0x40);
  ASSERT_TRUE(FwdJumps(fixups));
  SetTraceLevel(0);
  EXPECT_EQ(Bytes(0x40, next), Hex("68 65 6C 6C 6F 05 20 02 21 50 03 80 03 00 00 03 21 03"));
  const std::string& trace = host.files["KIBdbg.txt"];
  EXPECT_NE(trace.find("+CodeGen"), std::string::npos);
  EXPECT_NE(trace.find("-CoStmGen"), std::string::npos);
  EXPECT_NE(trace.find("+PutBy"), std::string::npos);
}

}  // namespace
}  // namespace vyl::cgtest
