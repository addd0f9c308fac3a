// Variable access in its five modes, the address rewrites, the release of
// reference variables at method end and the recording of those variables.
#include "codegen_fixture.h"

namespace vyl::cgtest {
namespace {

class VarAccessTest : public CodegenTest {
 public:
  std::vector<int> Access(int32_t mode, Tree access, int32_t loc = 0x100) {
    Tree list = nullptr;
    int32_t end = -1;
    bool ok = GenVarAcc(mode, loc, end, list, access);
    EXPECT_TRUE(ok);
    return ok ? Bytes(loc, end) : std::vector<int>{};
  }
};

TEST_F(VarAccessTest, WordLocalInEveryMode) {
  EXPECT_EQ(Access(kLoadWord, Of(4)), Hex("40 02"));
  EXPECT_EQ(Access(kStoreWord, Of(4)), Hex("50 02"));
  EXPECT_EQ(Access(kAddressOnly, Of(4)), Hex("3F 02 24 1C"));
  EXPECT_EQ(Access(kAddressOnly, Of(0)), Hex("3F 02"));
  EXPECT_EQ(Access(kLoadByte, Of(4)), Hex("3F 02 23 1C 0C 01 00 FF 19"));
  EXPECT_EQ(Access(kStoreByte, Of(4)), Hex("3F 02 24 1C 20 07"));
}

TEST_F(VarAccessTest, NegativeAndOddFrameOffsets) {
  EXPECT_EQ(Access(kLoadWord, Of(-4)), Hex("4F FE"));   // 8188 / 2
  EXPECT_EQ(Access(kStoreWord, Of(-2)), Hex("5F FF"));
  EXPECT_EQ(Access(kLoadWord, Of(3)), Hex("3F 02 23 1C 0C"));
  EXPECT_EQ(Access(kStoreWord, Of(3)), Hex("3F 02 23 1C 0D"));
  EXPECT_EQ(Access(kAddressOnly, Of(-4)), Hex("3F 02 3C 1C"));
}

TEST_F(VarAccessTest, ShortFormsOnlyWithinTheTwelveBitWordIndex) {
  EXPECT_EQ(Access(kLoadWord, Of(4094)), Hex("47 FF"));
  EXPECT_EQ(Access(kLoadWord, Of(-4096)), Hex("48 00"));
  // Beyond: the frame base plus the offset.
  EXPECT_EQ(Access(kLoadWord, Of(4096)), Hex("3F 02 01 10 00 1C 0C"));
  EXPECT_EQ(Access(kStoreWord, Of(5000)), Hex("3F 02 01 13 88 1C 0D"));
  EXPECT_EQ(Access(kLoadWord, Of(-4098)), Hex("3F 02 01 EF FE 1C 0C"));
}

TEST_F(VarAccessTest, GlobalsAreAddressedFromFrameWordZero) {
  EXPECT_EQ(Access(kLoadWord, Of(0, Build(L_gl))), Hex("40 00 0C"));
  EXPECT_EQ(Access(kLoadWord, Of(6, Build(L_gl))), Hex("40 00 26 1C 0C"));
  EXPECT_EQ(Access(kStoreWord, Of(6, Build(L_gl))), Hex("40 00 26 1C 0D"));
  EXPECT_EQ(Access(kLoadByte, Of(6, Build(L_gl))), Hex("40 00 26 1C 21 1D 0C 01 00 FF 19"));
}

TEST_F(VarAccessTest, AbsoluteAddresses) {
  EXPECT_EQ(Access(kLoadWord, Cn(-32)), Hex("01 FF E0 0C"));
  EXPECT_EQ(Access(kLoadByte, Cn(-32)), Hex("01 FF DF 0C 01 00 FF 19"));
  EXPECT_EQ(Access(kStoreByte, Cn(100)), Hex("01 00 64 20 07"));
  // of(of(cn 100, 4), 2) folds to cn 106.
  Tree nested = Of(2, Of(4, Cn(100)));
  EXPECT_EQ(Access(kLoadWord, nested), Hex("01 00 6A 0C"));
  EXPECT_TRUE(Is(nested, L_cn));
  EXPECT_EQ(ValueOf(nested), 106);
}

TEST_F(VarAccessTest, ComputedAddresses) {
  EXPECT_EQ(Access(kStoreWord, Word(6)), Hex("40 03 0D"));
  EXPECT_EQ(Access(kLoadByte, Word(6)), Hex("40 03 21 1D 0C 01 00 FF 19"));
  EXPECT_EQ(Access(kLoadWord, nullptr), Hex("3F 02 0C"));
  EXPECT_FALSE(GenVarAcc(3, 0x100, next, fixups, Of(4)));
  EXPECT_FALSE(GenVarAcc(-3, 0x100, next, fixups, Of(4)));
}

TEST_F(VarAccessTest, ByteTargetsStoreOneByte) {
  EXPECT_EQ(Access(kStoreWord, Build(L_bt, nullptr, {Of(4)})), Hex("3F 02 24 1C 20 07"));
  // value, computed address, 20 07
  EXPECT_EQ(Generate(Assign(nullptr, Build(L_bt, nullptr, {Word(6)}), Cn(65))), Hex("01 00 41 40 03 20 07"));
}

TEST_F(VarAccessTest, IndexedElements) {
  Tree element = Build(L_ad, nullptr, {Of(6), Word(8)});
  EXPECT_EQ(Access(kLoadWord, element), Hex("3F 02 26 1C 40 04 1C 0C"));
  element = Build(L_ad, nullptr, {Of(6), Word(8)});
  EXPECT_EQ(Access(kStoreWord, element), Hex("3F 02 26 1C 40 04 1C 0D"));
  element = Build(L_ad, nullptr, {Of(6), Word(8)});
  EXPECT_EQ(Access(kAddressOnly, element), Hex("3F 02 26 1C 40 04 1C"));
  // An element of a byte array keeps its byte store.
  element = Build(L_ad, nullptr, {Of(6), Word(8)});
  EXPECT_EQ(Access(kStoreWord, Build(L_bt, nullptr, {element})), Hex("3F 02 26 1C 40 04 1C 20 07"));
}

TEST_F(VarAccessTest, MemberWrappersAreRemoved) {
  // A field at offset 4 of the object referenced by local 6.
  Tree field = Build(L_ki, nullptr, {Of(4, Word(6))});
  EXPECT_EQ(Access(kStoreWord, field), Hex("40 03 24 1C 0D"));
  EXPECT_TRUE(Is(field, L_of));
  // A device register: a field of a fixed address.
  EXPECT_EQ(Access(kLoadWord, Build(L_ki, nullptr, {Of(2, Cn(-32))})), Hex("01 FF E2 0C"));
}

// --- VarOptimize and MultiOpt

int32_t Optimise(Tree t) {
  int32_t changed = -1;
  EXPECT_TRUE(VarOptimize(changed, t));
  return changed;
}

TEST_F(VarAccessTest, FinalFormsAreLeftAlone) {
  EXPECT_EQ(Optimise(Cn(4)), 0);
  EXPECT_EQ(Optimise(Gl(4)), 0);
  EXPECT_EQ(Optimise(Of(4)), 0);
  EXPECT_EQ(Optimise(nullptr), 0);
  int32_t changed = -1;
  EXPECT_FALSE(VarOptimize(changed, Build(L_un, nullptr, {Of(4)})));
}

TEST_F(VarAccessTest, FrameAndGlobalIndirectionsFold) {
  Tree t = Of(4, Build(L_dr, nullptr, {Build(L_in)}));
  EXPECT_EQ(Optimise(t), 1);
  EXPECT_TRUE(Equal(t, Of(4)));
  t = Build(L_dr, nullptr, {Of(4, Build(L_in))});
  EXPECT_EQ(Optimise(t), 1);
  EXPECT_TRUE(Equal(t, Of(4)));
  t = Of(4, Build(L_dr, nullptr, {Build(L_bg)}));
  EXPECT_EQ(Optimise(t), 1);
  EXPECT_TRUE(Equal(t, Of(4, Build(L_gl))));
  t = Build(L_dr, nullptr, {Of(4, Build(L_bg))});
  EXPECT_EQ(Optimise(t), 1);
  EXPECT_TRUE(Equal(t, Of(4, Build(L_gl))));
  t = Of(6, Build(L_in));
  EXPECT_EQ(Optimise(t), 1);
  EXPECT_TRUE(Equal(t, Of(6)));
  t = Build(L_bg);
  EXPECT_EQ(Optimise(t), 1);
  EXPECT_TRUE(Equal(t, Build(L_gl)));
  t = Of(4, Gl(2));
  EXPECT_EQ(Optimise(t), 1);
  EXPECT_TRUE(Equal(t, Gl(6)));
}

TEST_F(VarAccessTest, ConstantArithmeticFolds) {
  Tree t = Build(L_mp, nullptr, {Cn(3), Cn(4)});
  EXPECT_EQ(Optimise(t), 1);
  EXPECT_TRUE(Equal(t, Cn(12)));
  t = Build(L_ad, nullptr, {Cn(3), Cn(4)});
  ASSERT_TRUE(MultiOpt(t));
  EXPECT_TRUE(Equal(t, Cn(7)));
  t = Build(L_su, nullptr, {Cn(3), Cn(4)});
  ASSERT_TRUE(MultiOpt(t));
  EXPECT_TRUE(Equal(t, Cn(-1)));
}

TEST_F(VarAccessTest, ABaseOptimisedInPlaceReportsTheChange) {
  // of(ad(cn 2, cn 3), 4): the base folds first, then the offset.
  Tree t = Of(4, Build(L_ad, nullptr, {Cn(2), Cn(3)}));
  EXPECT_EQ(Optimise(t), 1);
  EXPECT_TRUE(Equal(t, Of(4, Cn(5))));
  ASSERT_TRUE(MultiOpt(t));
  EXPECT_TRUE(Equal(t, Cn(9)));
  // A base already in final form: nothing changed, and MultiOpt ends.
  t = Of(2, Word(6));
  EXPECT_EQ(Optimise(t), 0);
  ASSERT_TRUE(MultiOpt(t));
  EXPECT_TRUE(Equal(t, Of(2, Word(6))));
  t = Word(6);
  EXPECT_EQ(Optimise(t), 0);
}

TEST_F(VarAccessTest, NestedOffsetsAddUp) {
  Tree t = Of(2, Of(4, Build(L_in)));
  EXPECT_EQ(Optimise(t), 1);
  EXPECT_TRUE(Equal(t, Of(6, Build(L_in))));
  ASSERT_TRUE(MultiOpt(t));
  EXPECT_TRUE(Equal(t, Of(6)));
  // The inner base is optimised once on the way.
  t = Of(2, Of(4, Of(6, Build(L_in))));
  EXPECT_EQ(Optimise(t), 1);
  EXPECT_TRUE(Equal(t, Of(6, Of(6))));
  ASSERT_TRUE(MultiOpt(t));
  EXPECT_TRUE(Equal(t, Of(12)));
}

TEST_F(VarAccessTest, MemberWrapperRewrites) {
  Tree t = Build(L_ki, nullptr, {Of(4, Build(L_in))});
  EXPECT_EQ(Optimise(t), 1);
  EXPECT_TRUE(Equal(t, Of(4, Build(L_in))));
  t = Build(L_ki, nullptr, {Build(L_dr, Leaf(1), {Of(4, Word(6))})});
  EXPECT_EQ(Optimise(t), 1);
  EXPECT_TRUE(Is(t, L_dr));
  EXPECT_EQ(ValueOf(t), 1);
}

TEST_F(VarAccessTest, OptDerefAndZerOptimiz) {
  Tree t = Build(L_dr, nullptr, {Build(L_ki, nullptr, {Of(4, Word(6))})});
  ASSERT_TRUE(OptDeref(t));
  EXPECT_TRUE(Equal(t, Build(L_ki, nullptr, {Build(L_dr, nullptr, {Of(4, Word(6))})})));
  Tree other = Word(6);
  ASSERT_TRUE(OptDeref(other));
  EXPECT_TRUE(Equal(other, Word(6)));

  Tree x = Word(6);
  Tree branch = Build(L_if, nullptr, {nullptr, Build(L_ne, nullptr, {x, Cn(0)}), nullptr, nullptr});
  ASSERT_TRUE(ZerOptimiz(branch));
  EXPECT_EQ(Kid(branch, 2), x);
  branch = Build(L_if, nullptr, {nullptr, Build(L_ne, nullptr, {Cn(0), x}), nullptr, nullptr});
  ASSERT_TRUE(ZerOptimiz(branch));
  EXPECT_EQ(Kid(branch, 2), x);
  Tree keep = Build(L_ne, nullptr, {x, Cn(1)});
  branch = Build(L_if, nullptr, {nullptr, keep, nullptr, nullptr});
  ASSERT_TRUE(ZerOptimiz(branch));
  EXPECT_EQ(Kid(branch, 2), keep);
}

// --- PointerKill and PointList

Tree Variable(int32_t offset) { return Build(L_vr, Leaf(0), {nullptr, Build(L_ty), nullptr, Of(offset)}); }

TEST_F(VarAccessTest, ReferencesAreReleasedOldestFirst) {
  // The list as PointList builds it: newest first.
  Tree list = Build(L_no, nullptr, {Build(L_vr, nullptr, {Build(L_vr, nullptr, {nullptr, Variable(-2)}), Variable(8)})});
  int32_t end = 0;
  ASSERT_TRUE(PointerKill(0x200, end, list));
  EXPECT_EQ(Bytes(0x200, end), Hex("4F FF 23 09 05 05 40 04 23 09 05 05"));
  // The exit address is where the epilogue starts.
  EXPECT_TRUE(Is(list, L_no));
  EXPECT_EQ(ValueOf(list), 0x200);
  int32_t exit = 0;
  ASSERT_TRUE(FwdExit(exit, Build(L_fn, Leaf(0), {nullptr, Build(L_xf, Leaf(1), {nullptr, nullptr, nullptr, list})})));
  EXPECT_EQ(exit, 0x200);
}

TEST_F(VarAccessTest, ReleaseOfAFarFrameSlotUsesTheGeneralForm) {
  Tree list = Build(L_no, nullptr, {Build(L_vr, nullptr, {nullptr, Variable(5000)})});
  int32_t end = 0;
  ASSERT_TRUE(PointerKill(0x200, end, list));
  EXPECT_EQ(Bytes(0x200, end), Hex("3F 02 01 13 88 1C 0C 23 09 05 05"));
}

TEST_F(VarAccessTest, NoReferencesStillRecordTheExit) {
  Tree list = Build(L_no);
  int32_t end = 0;
  ASSERT_TRUE(PointerKill(0x300, end, list));
  EXPECT_EQ(end, 0x300);
  EXPECT_EQ(ValueOf(list), 0x300);
}

TEST_F(VarAccessTest, PointListRecordsReferencesOfFunctionsOnly) {
  Tree signature = Build(L_xf, Leaf(1), {nullptr, nullptr, Build(L_nn), Build(L_no)});
  Tree function = Build(L_fn, Leaf(0), {nullptr, signature, nullptr, Build(L_fn, Leaf(2)), nullptr});
  Tree syms = nullptr;
  ASSERT_TRUE(into(kKeyContext, nullptr, function, syms));
  Tree a = Variable(6);
  Tree b = Variable(8);
  ASSERT_TRUE(PointList(1, syms, a));
  ASSERT_TRUE(PointList(0, syms, Variable(10)));
  ASSERT_TRUE(PointList(1, syms, b));
  EXPECT_FALSE(PointList(2, syms, b));
  Tree list = Kid(signature, 4);
  ASSERT_TRUE(Is(Kid(list, 1), L_vr));
  EXPECT_EQ(Kid(Kid(list, 1), 2), b);
  EXPECT_EQ(Kid(Kid(Kid(list, 1), 1), 2), a);
  // At the top level nothing is recorded.
  Tree top = nullptr;
  ASSERT_TRUE(into(kKeyContext, nullptr, nullptr, top));
  ASSERT_TRUE(PointList(1, top, Variable(6)));
}

}  // namespace
}  // namespace vyl::cgtest
