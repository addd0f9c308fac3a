// The predefined packages as a program sees them after importing them.
#include "codegen/codegen.h"
#include "outermost.h"

namespace vyl {
namespace {

class EnvTest : public test::OutermostTest {
 protected:
  // The table after importing a package: its members bound beside the
  // program's own names (oldest member first, as an import walks them).
  Tree Import(const char* package) {
    Tree pk = Named(package);
    EXPECT_TRUE(Is(pk, L_pk)) << package;
    Tree t = nullptr, value = nullptr;
    EXPECT_TRUE(openPlus(syms, t));
    std::vector<std::pair<int32_t, Tree>> members;
    int32_t level = 0, name = 0;
    for (int32_t i = 0; ixFrom(i, Kid(pk, 5), value, level, name); ++i) members.emplace_back(name, value);
    for (auto it = members.rbegin(); it != members.rend(); ++it) EXPECT_TRUE(into(it->first, t, it->second, t));
    return t;
  }
  // The address a register field is found at: Device.field.
  int32_t FieldAddress(Tree table, const char* device, const char* field) {
    Tree members = nullptr, type = nullptr;
    int32_t lo = 0, hi = 0;
    Tree variable = Bound(InternText(device), table);
    EXPECT_TRUE(GetItsType(variable, members, type, lo, hi)) << device;
    Tree f = Bound(InternText(field), members);
    EXPECT_TRUE(Is(f, L_vr)) << device << "." << field;
    EXPECT_TRUE(Equal(Kid(f, 2), Key(kKeyInt)));
    EXPECT_TRUE(Is(Kid(f, 4), L_cn)) << device << "." << field;
    return ValueOf(Kid(f, 4));
  }
  Tree Member(const char* package, const char* name) { return Bound(InternText(name), Kid(Named(package), 5)); }
};

TEST_F(EnvTest, PackagesAreBoundAndTheirMembersHidden) {
  for (const char* p : {"Hardware", "Dangerous", "Semaphores", "Files"}) {
    Tree pk = Named(p);
    ASSERT_TRUE(Is(pk, L_pk)) << p;
    EXPECT_EQ(KidCount(pk), 5);
    EXPECT_EQ(ValueOf(Kid(pk, 0)), InternText(p));
  }
  // Before an import none of the members is visible.
  for (const char* name : {"Video", "white", "PEEK", "Semaphore", "Open", "iVector"}) {
    EXPECT_EQ(Named(name), nullptr) << name;
  }
  for (int32_t key : {kKeyAddressOf, kKeySemaphore, kKeyFileId}) EXPECT_EQ(Key(key), nullptr);
  // Only Files links to an earlier package.
  EXPECT_EQ(Kid(Named("Files"), 1), Named("Semaphores"));
  EXPECT_EQ(Kid(Named("Semaphores"), 1), nullptr);
  EXPECT_EQ(Kid(Named("Hardware"), 1), nullptr);
}

TEST_F(EnvTest, DeviceRegistersLieAtTheirAddresses) {
  Tree t = Import("Hardware");
  EXPECT_EQ(FieldAddress(t, "Video", "top"), -32);
  EXPECT_EQ(FieldAddress(t, "Video", "address"), -22);
  EXPECT_EQ(FieldAddress(t, "Video", "datum"), -24);
  // Print and KeyIn share the register at FFF6.
  EXPECT_EQ(FieldAddress(t, "Print", "datum") & 0xFFFF, 0xFFF6);
  EXPECT_EQ(FieldAddress(t, "KeyIn", "datum"), FieldAddress(t, "Print", "datum"));
  EXPECT_EQ(FieldAddress(t, "Enables", "datum"), -8);
  EXPECT_EQ(FieldAddress(t, "Date", "seconds"), -34);
  // Offsets may lie beyond the declared size.
  EXPECT_EQ(FieldAddress(t, "Mouse", "datum"), -10);
  EXPECT_EQ(FieldAddress(t, "MMU", "fault"), -4);
  EXPECT_EQ(FieldAddress(t, "MMU", "address"), -2);
  EXPECT_EQ(FieldAddress(t, "MMU", "PC"), -44);
  EXPECT_EQ(FieldAddress(t, "SignalWait", "address"), -6);
  EXPECT_EQ(FieldAddress(t, "Disk", "count"), -12);
}

TEST_F(EnvTest, DevicesAreRecordTypesWithTheirOwnScope) {
  Tree t = Import("Hardware");
  Tree video = Bound(InternText("Video"), t);
  ASSERT_TRUE(Is(video, L_vr));
  ASSERT_EQ(KidCount(video), 4);
  EXPECT_EQ(Kid(video, 1), nullptr);
  EXPECT_TRUE(Equal(Kid(video, 4), Build(L_cn, Leaf(-32))));
  Tree type = Kid(video, 2);
  int32_t size = 0;
  ASSERT_TRUE(TypeSize(type, size));
  EXPECT_EQ(size, 12);
  Tree cls = Kid(type, 3);  // the record itself, not a reference
  ASSERT_TRUE(Is(cls, L_cl));
  EXPECT_EQ(Kid(cls, 2), type);
  EXPECT_EQ(Kid(Kid(video, 3), 0), cls);
  // The class's scope binds key -1 to the class and the fields only.
  Tree scope = Kid(cls, 5);
  EXPECT_EQ(Bound(kKeyContext, scope), cls);
  EXPECT_TRUE(Is(Bound(InternText("top"), scope), L_vr));
  EXPECT_EQ(Bound(InternText("Video"), scope), nullptr);
  EXPECT_EQ(Bound(InternText("fault"), scope), nullptr);
  // Fields are listed newest first, each linked to the one before.
  Tree field = Kid(cls, 4);
  std::vector<std::string> names;
  for (; field; field = Kid(field, 1)) names.emplace_back(StringText(ValueOf(Kid(field, 0))));
  EXPECT_EQ(names, (std::vector<std::string>{"address", "datum", "right", "bottom", "left", "top"}));
}

TEST_F(EnvTest, ConstantsInOrder) {
  Tree t = Import("Hardware");
  const std::pair<const char*, int32_t> expected[] = {
      {"IntOnBit", 1},  {"PrintOnBit", 2}, {"FlopInBit", 4}, {"DiskPendBit", 8}, {"HideRect", -1},
      {"ClipRect", -3}, {"DoText", 32768}, {"Blit", 0},      {"maxColor", 5},    {"black", 0},
      {"white", 215},   {"minBlue", 36},   {"minGreen", 6},  {"minRed", 1},      {"FillRect", 16384}};
  Tree c = Bound(InternText("IntOnBit"), t);
  for (const auto& [name, value] : expected) {
    ASSERT_TRUE(Is(c, L_df)) << name;
    EXPECT_EQ(StringText(ValueOf(Kid(c, 0))), name);
    EXPECT_EQ(ValueOf(Kid(c, 3)), value) << name;
    EXPECT_EQ(Kid(c, 2), Key(kKeyInt));
    EXPECT_EQ(Bound(InternText(name), t), c);
    c = Kid(c, 1);
  }
  EXPECT_EQ(c, nullptr);
  EXPECT_EQ(ValueOf(Kid(Bound(InternText("DoText"), t), 3)) & 0xFFFF, 0x8000);
  EXPECT_EQ(ValueOf(Kid(Bound(InternText("white"), t), 3)), 5 * 36 + 5 * 6 + 5);
}

TEST_F(EnvTest, VectorTableAndGlobalSlots) {
  Tree iVector = Member("Hardware", "iVector");
  ASSERT_TRUE(Is(iVector, L_vr));
  EXPECT_EQ(Kid(Named("Hardware"), 4), iVector);
  EXPECT_TRUE(Equal(Kid(iVector, 4), Build(L_cn, Leaf(0))));
  Tree type = Kid(iVector, 2);
  int32_t size = 0, high = 0, element = 0;
  ASSERT_TRUE(TypeSize(type, size));
  EXPECT_EQ(size, 16);
  ASSERT_TRUE(ArrayBounds(type, high, element));
  EXPECT_EQ(high, 7);
  EXPECT_EQ(element, 2);
  EXPECT_EQ(Kid(Kid(type, 3), 3), type);             // back link
  EXPECT_EQ(Kid(Kid(Kid(type, 3), 1), 0), nullptr);  // nameless index type
  EXPECT_EQ(Global(9), Kid(Named("Hardware"), 5));
  EXPECT_EQ(Global(8), nullptr);
}

TEST_F(EnvTest, DangerousIntrinsicsAndTheAddressOfMarker) {
  const std::pair<const char*, int32_t> expected[] = {{"PEEK", 4},    {"POKE", 5},   {"mmPEEK", 6}, {"mmPOKE", 7},
                                                      {"FORK", 8},    {"COCALL", 9}, {"DEBUG", 0},  {"SysOp0", 20},
                                                      {"SysOp1", 21}, {"SysOp2", 22}};
  for (const auto& [name, number] : expected) {
    Tree fn = Member("Dangerous", name);
    ASSERT_TRUE(Is(fn, L_fn)) << name;
    EXPECT_TRUE(Is(Kid(fn, 2), L_fn));
    EXPECT_EQ(ValueOf(Kid(fn, 2)), number) << name;
  }
  // Each intrinsic links to the one before it; the system calls to DEBUG.
  EXPECT_EQ(Kid(Member("Dangerous", "PEEK"), 1), nullptr);
  EXPECT_EQ(Kid(Member("Dangerous", "POKE"), 1), Member("Dangerous", "PEEK"));
  EXPECT_EQ(Kid(Member("Dangerous", "DEBUG"), 1), Member("Dangerous", "COCALL"));
  for (const char* s : {"SysOp0", "SysOp1", "SysOp2"}) {
    EXPECT_EQ(Kid(Member("Dangerous", s), 1), Member("Dangerous", "DEBUG")) << s;
  }
  EXPECT_EQ(Kid(Named("Dangerous"), 4), Member("Dangerous", "SysOp2"));
  // Importing Dangerous binds key 19, which enables "&".
  Tree t = Import("Dangerous");
  EXPECT_TRUE(Is(Bound(kKeyAddressOf, t), L_no));
  EXPECT_EQ(Bound(InternText("mmPOKE"), t), Member("Dangerous", "mmPOKE"));
}

TEST_F(EnvTest, SemaphoresAndFiles) {
  Tree t = Import("Semaphores");
  Tree semaphore = Bound(InternText("Semaphore"), t);
  EXPECT_EQ(Bound(kKeySemaphore, t), semaphore);
  ASSERT_TRUE(Is(semaphore, L_ty));
  int32_t size = 0;
  ASSERT_TRUE(TypeSize(semaphore, size));
  EXPECT_EQ(size, 2);
  EXPECT_TRUE(Is(Kid(semaphore, 3), L_no));
  EXPECT_EQ(ValueOf(Kid(Bound(InternText("Signal"), t), 2)), 10);
  EXPECT_EQ(ValueOf(Kid(Bound(InternText("Wait"), t), 2)), 11);
  EXPECT_EQ(Kid(Bound(InternText("Signal"), t), 1), nullptr);

  Tree f = Import("Files");
  EXPECT_EQ(Bound(kKeyFileId, f), Bound(InternText("FileId"), f));
  int32_t number = 14;
  Tree previous = nullptr;
  for (const char* name : {"Open", "Close", "Read", "Write", "Seek", "FileInfo"}) {
    Tree fn = Bound(InternText(name), f);
    EXPECT_EQ(ValueOf(Kid(fn, 2)), number++) << name;
    EXPECT_EQ(Kid(fn, 1), previous) << name;
    previous = fn;
  }
  EXPECT_EQ(Kid(Named("Files"), 4), previous);
  EXPECT_EQ(Bound(kKeySemaphore, f), nullptr);
}

}  // namespace
}  // namespace vyl
