// The records the declaration rules build and bind: modifiers, imports,
// classes and aliases, functions and parameters, variables, constants,
// constant tables and initialisations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decl_fixture.h"
#include "harness.h"

namespace vyl {
namespace {

using test::CompileSource;

class DeclarationTest : public test::DeclTest {
 protected:
  int32_t Id(const char* name) { return InternText(name); }
  // The offset of a variable's location (0 while it has none).
  static int32_t Slot(Tree variable) { return Offset(Part(variable, 4)); }
  // The initialisations of the declaration chain, newest first.
  std::vector<Tree> Initialisations() const {
    std::vector<Tree> found;
    for (Tree t = chain; t; t = Part(t, 1)) {
      if (!Is(t, L_as)) continue;
      found.push_back(t);
      t = Part(t, 1);  // the variable (or its line node)
      if (Is(t, L_nn)) t = Part(t, 1);
    }
    return found;
  }
  // The records of the declaration chain, newest first.
  std::vector<int32_t> ChainLabels() const {
    std::vector<int32_t> labels;
    for (Tree t = chain; t; t = Part(t, 1)) labels.push_back(LabelOf(t));
    return labels;
  }
};

// ---------------------------------------------------------------------------
// Modifiers and imports

TEST_F(DeclarationTest, ModifiersAddEachBitOnce) {
  Start("static static final synchronized final x");
  int32_t modifiers = -1;
  ASSERT_TRUE(ModifiersOpt(modifiers));
  EXPECT_EQ(modifiers, kModStatic + kModFinal + kModSynchronized);
  Start("static static final x");
  ASSERT_TRUE(ModifiersOpt(modifiers));
  EXPECT_EQ(modifiers, 66);
  // None: the empty set, and the token stays.
  ASSERT_TRUE(ModifiersOpt(modifiers));
  EXPECT_EQ(modifiers, 0);
  int32_t bit = -1;
  EXPECT_FALSE(Modifier(bit));
  EXPECT_EQ(TokenCode(), T_Ident);
}

TEST_F(DeclarationTest, ImportBindsThePackageAndItsMembersAtTheCurrentLevel) {
  Start("import Files; import Semaphores.*; x");
  Tree files = Named("Files");
  ASSERT_TRUE(Is(files, L_pk));
  EXPECT_EQ(Named("Open"), nullptr);  // members are not visible before
  ASSERT_TRUE(ImportDeclaration(syms, chain, chain, syms));
  ASSERT_TRUE(ImportDeclaration(syms, chain, chain, syms));
  EXPECT_EQ(chain, nullptr);  // imports declare nothing that is laid out
  Tree value = nullptr;
  int32_t level = -1;
  ASSERT_TRUE(From(Id("Files"), syms, value, level));
  EXPECT_EQ(value, files);
  EXPECT_EQ(level, 1);
  for (const char* member : {"Open", "Close", "Read", "Write", "Seek", "FileInfo", "FileId", "Signal", "Wait",
                             "Semaphore"}) {
    ASSERT_TRUE(From(Id(member), syms, value, level)) << member;
    EXPECT_EQ(level, 1) << member;
  }
  EXPECT_TRUE(Is(Key(kKeyFileId), L_ty));
  EXPECT_TRUE(Is(Key(kKeySemaphore), L_ty));
  EXPECT_EQ(Key(kKeyAddressOf), nullptr);  // only Dangerous enables "&"
  // Not an import: fails without reading anything.
  EXPECT_FALSE(ImportDeclaration(syms, chain, chain, syms));
  EXPECT_EQ(TokenCode(), T_Ident);
}

TEST(DeclImportTest, MembersAreVisibleOnlyAfterTheImport) {
  const char* use = "void main() {\r\n  Print.datum = 65;\r\n}\r\n";
  EXPECT_EQ(CompileSource(use).result.message, "Undefined name Print");
  EXPECT_EQ(CompileSource(std::string("import Hardware;\r\n") + use).status, 0);
  EXPECT_EQ(CompileSource(std::string("import Hardware.*;\r\n") + use).status, 0);
}

// ---------------------------------------------------------------------------
// Classes and aliases

TEST_F(DeclarationTest, ClassRecordTypeAndFields) {
  Declare("class Node { int value; Node next; byte tag; String label; }");
  Tree type = Named("Node");
  ASSERT_TRUE(Is(type, L_ty));
  EXPECT_EQ(Value(type), Id("Node"));
  EXPECT_EQ(Value(Part(type, 2)), 2);  // a reference to the record
  Tree pt = Part(type, 3);
  ASSERT_TRUE(Is(pt, L_pt));
  Tree record = Part(pt, 1);
  ASSERT_TRUE(Is(record, L_cl));
  EXPECT_EQ(Value(record), Id("Node"));
  EXPECT_EQ(Part(record, 2), type);
  EXPECT_EQ(chain, record);
  EXPECT_EQ(Part(record, 1), nullptr);  // the chain it was declared on
  // The fields, bound in the member scope at offsets from 0; a byte takes a
  // whole word.  The field types come from the enclosing table.
  Tree scope = Part(record, 5);
  EXPECT_EQ(Bound(kKeyContext, scope), record);
  struct Field {
    const char* name;
    int32_t offset;
    Tree type;
  };
  for (const Field& f : {Field{"value", 0, Key(kKeyInt)}, Field{"next", 2, type}, Field{"tag", 4, Key(kKeyByte)},
                         Field{"label", 6, Key(kKeyString)}}) {
    Tree field = Bound(Id(f.name), scope);
    ASSERT_TRUE(Is(field, L_vr)) << f.name;
    EXPECT_EQ(Part(field, 2), f.type) << f.name;
    EXPECT_EQ(Slot(field), f.offset) << f.name;
    EXPECT_EQ(Named(f.name), nullptr) << f.name;  // not visible outside
  }
  EXPECT_EQ(Value(Part(record, 6)), 8);  // the size of the fields
  EXPECT_NE(Part(record, 4), nullptr);   // the member list
  int32_t size = 0;
  ASSERT_TRUE(TypeSize(record, size));
  EXPECT_EQ(size, 8);
}

TEST_F(DeclarationTest, EmptyClassAndClassesInSequence) {
  Declare("final class Empty {} class Pair { Empty a; Empty b; } static class Alias = Pair;");
  Tree empty = Part(Part(Named("Empty"), 3), 1);
  Tree pair = Part(Part(Named("Pair"), 3), 1);
  ASSERT_TRUE(Is(empty, L_cl));
  ASSERT_TRUE(Is(pair, L_cl));
  EXPECT_EQ(Value(Part(empty, 6)), 0);  // no fields
  EXPECT_EQ(Value(Part(Named("Empty"), 2)), 2);
  EXPECT_EQ(Value(Part(pair, 6)), 4);
  // An alias stands for the type itself and leaves the chain as it was.
  EXPECT_EQ(Named("Alias"), Named("Pair"));
  EXPECT_EQ(chain, pair);
  EXPECT_EQ(Part(pair, 1), empty);
}

TEST(DeclClassTest, FieldTypesMayBeClassesAliasesAndString) {
  // As written, field types were looked up in Object's member table, where
  // no user name is bound.
  test::Compiled c = CompileSource(
      "class Len = int;\r\n"
      "class Item { Len n; String name; Item next; }\r\n"
      "class List { Item first; Len count; }\r\n"
      "List all;\r\n"
      "void main() {\r\n"
      "  all = new List();\r\n"
      "  all.first = new Item();\r\n"
      "  all.first.n = 3;\r\n"
      "  all.count = all.first.n;\r\n"
      "}\r\n");
  EXPECT_EQ(c.status, 0) << c.output;
}

// ---------------------------------------------------------------------------
// Functions

TEST_F(DeclarationTest, FunctionRecordsAndProcedureNumbers) {
  Declare("void first(); int second(int a, byte b, char c); void first() {}");
  Tree first = Named("first");
  Tree second = Named("second");
  ASSERT_TRUE(Is(first, L_fn));
  ASSERT_TRUE(Is(second, L_fn));
  // Numbers from 2 on; a prototype and its body share one record.
  EXPECT_EQ(Value(Part(first, 4)), 2);
  EXPECT_EQ(Value(Part(second, 4)), 3);
  EXPECT_EQ(Value(counter), 3);
  EXPECT_EQ(chain, second);  // the body declared nothing new
  EXPECT_EQ(Part(second, 1), first);
  EXPECT_NE(Part(first, 5), nullptr);    // the body
  EXPECT_EQ(Part(second, 5), nullptr);   // a prototype
  EXPECT_TRUE(Is(Part(first, 3), L_up));  // no enclosing context at the top level
  EXPECT_EQ(Kid(Part(first, 3), 0), nullptr);
  // The signature: parameter words + 1, the result type, the parameters.
  Tree signature = Part(second, 2);
  ASSERT_TRUE(Is(signature, L_xf));
  EXPECT_EQ(Value(signature), 4);
  EXPECT_EQ(Part(signature, 1), Key(kKeyInt));
  EXPECT_EQ(Value(Part(first, 2)), 1);
  EXPECT_EQ(Part(Part(first, 2), 1), Key(kKeyVoid));
  EXPECT_EQ(Part(Part(first, 2), 2), nullptr);
  // Every parameter takes one word: the first at -6, the last at -2.
  std::vector<std::pair<int32_t, int32_t>> params;
  for (Tree p = Part(signature, 2); p; p = Part(p, 1)) params.push_back({Value(p), Offset(Part(p, 4))});
  EXPECT_EQ(params, (std::vector<std::pair<int32_t, int32_t>>{{Id("a"), -6}, {Id("b"), -4}, {Id("c"), -2}}));
  // The words of locals, recorded after the body.
  EXPECT_EQ(Value(Part(Part(first, 2), 3)), 0);
}

TEST_F(DeclarationTest, LocalWordsAreCountedAfterTheBody) {
  Declare("void f(int p) { int a; byte b; char[] s; int[3] t; }");
  // a 6, b 8, s 10; t's header 12, length 14, elements 16 .. 21: 22 bytes.
  EXPECT_EQ(Value(Part(Part(Named("f"), 2), 3)), 22 / 2 - 3);
}

// References held in parameters and locals are listed once in the
// signature, for their release when the function ends.  As written, a
// definition after a prototype listed its parameters a second time.
TEST_F(DeclarationTest, ReferenceParametersAreListedOnce) {
  Declare(
      "class C { int v; }\r\n"
      "void f(C a, int n, String s);\r\n"
      "void f(C a, int n, String s) { C local; int plain; }\r\n");
  Tree list = Part(Part(Named("f"), 2), 4);
  ASSERT_TRUE(Is(list, L_no));
  std::vector<int32_t> names;
  for (Tree entry = Part(list, 1); entry; entry = Part(entry, 1)) names.push_back(Value(Part(entry, 2)));
  // Newest first: the local, then the prototype's parameters from the last.
  EXPECT_EQ(names, (std::vector<int32_t>{Id("local"), Id("a"), Id("s")}));
}

// A definition that follows a prototype may name its parameters anew; the
// types must be the prototype's.
TEST(DeclFunctionTest, ADefinitionMayRenameItsParameters) {
  test::Compiled c = CompileSource(
      "int sum(int a, int b);\r\n"
      "void main() {\r\n"
      "  int x = sum(1, 2);\r\n"
      "}\r\n"
      "int sum(int first, int second) {\r\n"
      "  return first + second;\r\n"
      "}\r\n");
  ASSERT_EQ(c.status, 0) << c.output;
  EXPECT_TRUE(c.hasLine("! sum"));
  EXPECT_TRUE(c.hasLine("!  -4 I first"));
  EXPECT_TRUE(c.hasLine("!  -2 I second"));
}

// ---------------------------------------------------------------------------
// Variables and constants

TEST_F(DeclarationTest, GlobalVariablesWaitForTheirSlots) {
  Declare("int a, b; static char c; String s; int[3] t; char[] open;");
  EXPECT_EQ(ChainLabels(), (std::vector<int32_t>{L_vr, L_vr, L_vr, L_vr, L_vr, L_vr}));
  Tree a = Named("a");
  ASSERT_TRUE(Is(a, L_vr));
  EXPECT_EQ(Part(a, 2), Key(kKeyInt));
  EXPECT_EQ(Part(a, 3), nullptr);
  Tree location = Part(a, 4);
  ASSERT_TRUE(Is(location, L_of));
  EXPECT_TRUE(Is(Part(location, 1), L_gl));  // a global
  EXPECT_EQ(Kid(location, 0), nullptr);      // laid out later
  EXPECT_EQ(Part(Named("b"), 1), a);
  EXPECT_EQ(Part(Named("b"), 2), Key(kKeyInt));
  // An array of known length carries its size; one of any length does not.
  Tree t = Named("t");
  ASSERT_TRUE(Is(Part(t, 3), L_cn));
  EXPECT_EQ(Value(Part(t, 3)), 6);
  EXPECT_EQ(Part(Named("open"), 3), nullptr);
  EXPECT_EQ(Part(Named("s"), 3), nullptr);
}

TEST_F(DeclarationTest, ArrayBracketsBeforeTheName) {
  // The form a block's declarations take: the name is read after the type.
  Start("[3][2] grid; [] any;");
  Tree type = Key(kKeyInt);
  ASSERT_TRUE(VarDecln(nullptr, 0, 0, type, syms, chain, chain, syms));
  ASSERT_TRUE(Accept(T_Semi));
  Tree grid = Named("grid");
  Tree gridType = Part(grid, 2);
  ASSERT_TRUE(Is(gridType, L_ty));
  EXPECT_EQ(Value(Part(gridType, 2)), 12);  // 2 of int[3]
  Tree array = Part(gridType, 3);
  ASSERT_TRUE(Is(array, L_ar));
  EXPECT_EQ(Part(array, 3), gridType);  // the back link
  int32_t low = -1, high = -1, elementSize = 0;
  ASSERT_TRUE(GetTypeRange(Part(array, 1), low, high));
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 1);
  ASSERT_TRUE(ArrayBounds(Part(array, 2), high, elementSize));
  EXPECT_EQ(high, 2);
  EXPECT_EQ(elementSize, 2);
  EXPECT_EQ(Value(Part(grid, 3)), 12);
  ASSERT_TRUE(VarDecln(nullptr, 0, 0, type, syms, chain, chain, syms));
  Tree any = Named("any");
  int32_t size = 0, reference = 0;
  ASSERT_TRUE(IsPointer(Part(any, 2), size, reference));
  EXPECT_EQ(size, 2);
  EXPECT_EQ(reference, 1);
}

TEST_F(DeclarationTest, NamedConstants) {
  Declare("final int A = 1, B = A + 4; static final char C = 'x';");
  Tree a = Named("A");
  ASSERT_TRUE(Is(a, L_df));
  EXPECT_EQ(Part(a, 2), Key(kKeyInt));
  EXPECT_TRUE(Is(Part(a, 3), L_cn));
  EXPECT_EQ(Value(Part(a, 3)), 1);
  EXPECT_EQ(Value(Part(Named("B"), 3)), 5);
  EXPECT_EQ(Value(Part(Named("C"), 3)), 'x');
  EXPECT_EQ(Part(Named("C"), 2), Key(kKeyChar));
  // Each constant is linked into the chain by a `no` whose child 3 holds it.
  EXPECT_EQ(ChainLabels(), (std::vector<int32_t>{L_no, L_no, L_no}));
  EXPECT_EQ(Part(chain, 3), Named("C"));
  EXPECT_EQ(Part(chain, 2), nullptr);
  EXPECT_EQ(Part(Part(chain, 1), 3), Named("B"));
}

TEST_F(DeclarationTest, FinalObjectsAreLaidOutInline) {
  Declare("class P { int x; int y; } final P p = new P(); final P q = new P;");
  Tree p = Named("p");
  ASSERT_TRUE(Is(p, L_vr));
  Tree record = Part(Part(Named("P"), 3), 1);
  EXPECT_EQ(Part(p, 2), record);  // the class record, not the reference type
  ASSERT_TRUE(Is(Part(p, 3), L_cn));
  EXPECT_EQ(Value(Part(p, 3)), 4);
  EXPECT_TRUE(Is(Part(Part(p, 4), 1), L_bg));  // at the top level
  EXPECT_EQ(Part(Named("q"), 1), p);
}

// ---------------------------------------------------------------------------
// Constant tables

TEST_F(DeclarationTest, BracedTablesEndInTheirLengthTerminator) {
  Declare("final int[] t = {7, 9, 11}; final byte[3] b = {1, 2, 255};");
  Tree t = Named("t");
  ASSERT_TRUE(Is(t, L_df));
  Tree table = Part(t, 3);
  ASSERT_TRUE(Is(table, L_tk));
  // 2-byte items, the last first, ending in the empty `sz`.
  std::vector<int32_t> items;
  Tree item = Part(table, 2);
  for (; Is(item, L_in); item = Part(item, 1)) items.push_back(Value(item));
  EXPECT_EQ(items, (std::vector<int32_t>{11, 9, 7}));
  EXPECT_TRUE(Is(item, L_sz));
  // The data's own type: exactly three elements.
  Tree type = Part(t, 2);
  EXPECT_EQ(Value(Part(type, 2)), 6);
  int32_t high = 0, elementSize = 0;
  ASSERT_TRUE(ArrayBounds(type, high, elementSize));
  EXPECT_EQ(high, 2);
  EXPECT_EQ(elementSize, 2);
  // 1-byte items; the pool chains the tables, newest first.
  Tree bytes = Part(Named("b"), 3);
  EXPECT_TRUE(Is(Part(bytes, 2), L_bt));
  EXPECT_EQ(Value(Part(bytes, 2)), 255);
  EXPECT_EQ(Part(pool, 1), bytes);
  EXPECT_EQ(Part(bytes, 1), table);
  EXPECT_EQ(Part(table, 1), nullptr);
}

TEST_F(DeclarationTest, StringTablesAreSharedAndCarryTheirMarker) {
  Declare("final char[] a = \"AB\"; final String b = \"AB\"; final String f = \"\";");
  Tree a = Named("a");
  Tree b = Named("b");
  ASSERT_TRUE(Is(Part(a, 3), L_tk));
  EXPECT_EQ(Part(a, 3), Part(b, 3));  // one table for equal literals
  EXPECT_TRUE(Is(Part(Part(a, 2), 4), L_st));
  int32_t high = 0, elementSize = 0;
  ASSERT_TRUE(ArrayBounds(Part(a, 2), high, elementSize));
  EXPECT_EQ(high, 1);
  // The empty string is a table of its own too, of length 0.
  Tree empty = Part(Named("f"), 3);
  ASSERT_TRUE(Is(empty, L_tk));
  EXPECT_TRUE(Is(Part(empty, 2), L_sz));
}

TEST(DeclTableTest, TablesInThePool) {
  test::Compiled c = CompileSource(
      "final int[] w = {258, -1};\r\n"
      "final byte[] b = {65, 66, 67};\r\n"
      "final String s = \"AB\";\r\n"
      "final char[] e = \"\";\r\n"
      "final char[] again = \"AB\";\r\n"
      "void main() {}\r\n");
  ASSERT_EQ(c.status, 0) << c.output;
  // main is procedure 2, N = 3: the pool starts at 8, oldest table first.
  std::vector<int> pool(c.image.begin() + 8, c.image.begin() + 8 + 31);
  EXPECT_EQ(pool, (std::vector<int>{0xFF, 0xF0, 0x00, 0x04, 0x01, 0x02, 0xFF, 0xFF,  // w
                                    0xFF, 0xF0, 0x00, 0x03, 0x41, 0x42, 0x43,        // b
                                    0xFF, 0xF0, 0x00, 0x04, 0x00, 0x41, 0x00, 0x42,  // s and again
                                    0xFF, 0xF0, 0x00, 0x00,                          // e
                                    0x20, 0x02, 0x00, 0x00}));                       // the start code
  EXPECT_EQ(c.image[2] * 256 + c.image[3], 8 + 27 - 2);
}

// ---------------------------------------------------------------------------
// Initialisations

TEST_F(DeclarationTest, InitialisationRecords) {
  Declare("int g = 2 + 3; int h = g; String s = \"x\"; String n = null;");
  std::vector<Tree> inits = Initialisations();
  ASSERT_EQ(inits.size(), 4u);
  // A constant: the variable itself in child 1, the value as a `cn`.
  Tree g = Named("g");
  Tree init = inits[3];
  EXPECT_EQ(Part(init, 1), g);
  EXPECT_EQ(Part(init, 2), nullptr);
  EXPECT_TRUE(Is(Part(init, 3), L_cn));
  EXPECT_EQ(Value(Part(init, 3)), 5);
  EXPECT_EQ(Part(init, 4), nullptr);
  // The slot is given out while parsing; the context link is set.
  EXPECT_EQ(Slot(g), 6);
  EXPECT_TRUE(Is(Part(g, 3), L_up));
  // A value: the variable under a line node, the value's tree.
  Tree h = inits[2];
  ASSERT_TRUE(Is(Part(h, 1), L_nn));
  EXPECT_EQ(Value(Part(h, 1)), 1);
  EXPECT_EQ(Part(Part(h, 1), 1), Named("h"));
  EXPECT_FALSE(Is(Part(h, 3), L_cn));
  EXPECT_EQ(Part(h, 4), nullptr);  // not a reference
  EXPECT_EQ(Slot(Named("h")), 8);
  // A reference takes one unless the value is null.
  EXPECT_TRUE(Is(Part(inits[1], 4), L_pt));
  Tree n = inits[0];
  EXPECT_EQ(Part(n, 1), Named("n"));
  EXPECT_TRUE(Is(Part(n, 3), L_cn));
  EXPECT_EQ(Part(n, 4), nullptr);
  EXPECT_EQ(Slot(Named("n")), 12);
}

// A byte variable is read as the first byte of its slot: its initial value
// goes into the high byte of the word pushed.  As written, the variable read 0.
TEST_F(DeclarationTest, ByteInitialValuesFillTheFirstByte) {
  Declare("final byte[] t = {65}; byte v = t[0];");
  Tree init = chain;
  ASSERT_TRUE(Is(init, L_as));
  Tree value = Part(init, 3);
  ASSERT_TRUE(Is(value, L_sh));
  EXPECT_TRUE(Is(Part(value, 2), L_cn));
  EXPECT_EQ(Value(Part(value, 2)), 8);
}

// Variables declared before an initialised one get their slots first, with
// a pushed 0, so that the initial value can read them.  As written, `a`
// would be laid out after `b`.
TEST_F(DeclarationTest, EarlierVariablesGetTheirSlotsBeforeAnInitialisedOne) {
  Declare("int a; char c; int b = a + 1; int d; int e = 2;");
  EXPECT_EQ(Slot(Named("a")), 6);
  EXPECT_EQ(Slot(Named("c")), 8);
  EXPECT_EQ(Slot(Named("b")), 10);
  EXPECT_EQ(Slot(Named("d")), 12);
  EXPECT_EQ(Slot(Named("e")), 14);
  // The chain pushes a 0 for each of them, in declaration order.
  std::vector<int32_t> pushed;
  for (Tree init : Initialisations()) pushed.push_back(Is(Part(init, 3), L_cn) ? Value(Part(init, 3)) : -1);
  EXPECT_EQ(pushed, (std::vector<int32_t>{2, 0, -1, 0, 0}));
  // Scopes that initialise first are laid out as before.
  Declare("int x = 1; int y;");
  EXPECT_EQ(Slot(Named("x")), 6);
  EXPECT_EQ(Slot(Named("y")), 0);
}

// An array of any length takes any array as its initial value, as in an
// assignment; as written, the conversion refused arrays of another length.
TEST(DeclInitialisationTest, OpenArraysFromTablesOfAnyLength) {
  test::Compiled c = CompileSource(
      "final char[] hi = \"Hi\";\r\n"
      "final int[3] small = {1, 2, 3};\r\n"
      "String s = hi;\r\n"
      "void main() {\r\n"
      "  char[] t = hi;\r\n"
      "  int[] u = small;\r\n"
      "}\r\n");
  EXPECT_EQ(c.status, 0) << c.output;
}

TEST(DeclInitialisationTest, ObjectsDeclaredBeforeAnInitialisedVariable) {
  // arr's header, length and elements, then v.
  test::Compiled c = CompileSource(
      "int[2] arr;\r\n"
      "int v = 5;\r\n"
      "void main() {\r\n"
      "  int[3] t;\r\n"
      "  int w = t[2];\r\n"
      "}\r\n");
  ASSERT_EQ(c.status, 0) << c.output;
  EXPECT_TRUE(c.hasLine("! +10 A arr"));
  EXPECT_TRUE(c.hasLine("! +14 I v"));
  EXPECT_TRUE(c.hasLine("!  10 A t"));
  EXPECT_TRUE(c.hasLine("!  16 I w"));
  // The start code pushes FFF0, the length 4, two zero words, then 5.
  std::vector<int> start(c.image.begin() + 8, c.image.begin() + 16);
  EXPECT_EQ(start, (std::vector<int>{0x20, 0x02, 0x30, 0x10, 0x24, 0x20, 0x20, 0x25}));
}

}  // namespace
}  // namespace vyl
