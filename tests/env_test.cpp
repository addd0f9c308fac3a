// The predefined packages as a program sees them.
#include "codegen/codegen.h"
#include "outermost.h"

namespace vyl {
namespace {

class EnvTest : public test::OutermostTest {
 protected:
  Tree Members(const char* package) { return Kid(Named(package), 5); }
  Tree Member(const char* package, const char* name) { return Bound(InternText(name), Members(package)); }
  // The address of a register, Device.field, reached as a program reaches
  // it: from the device variable through its type's member table.
  int32_t FieldAddress(const char* device, const char* field) {
    Tree members = nullptr, type = nullptr;
    int32_t lo = 0, hi = 0;
    EXPECT_TRUE(GetItsType(Member("Hardware", device), members, type, lo, hi)) << device;
    Tree f = Bound(InternText(field), members);
    EXPECT_TRUE(Is(f, L_vr) && Kid(f, 2) == Key(kKeyInt)) << device << "." << field;
    EXPECT_TRUE(Is(Kid(f, 4), L_cn)) << device << "." << field;
    return ValueOf(Kid(f, 4));
  }
};

TEST_F(EnvTest, PackagesAreBoundAndTheirMembersHidden) {
  for (const char* p : {"Hardware", "Dangerous", "Semaphores", "Files"}) {
    EXPECT_TRUE(Is(Named(p), L_pk) && KidCount(Named(p)) == 5) << p;
  }
  for (const char* name : {"Video", "white", "PEEK", "Semaphore", "Open", "iVector"}) {
    EXPECT_EQ(Named(name), nullptr) << name;
  }
  for (int32_t key : {kKeyAddressOf, kKeySemaphore, kKeyFileId}) EXPECT_EQ(Key(key), nullptr);
  EXPECT_EQ(Kid(Named("Files"), 1), Named("Semaphores"));  // the only package linked to another
  EXPECT_EQ(Kid(Named("Hardware"), 1), nullptr);
}

TEST_F(EnvTest, DeviceRegistersLieAtTheirAddresses) {
  EXPECT_EQ(FieldAddress("Video", "top"), -32);
  EXPECT_EQ(FieldAddress("Video", "address"), -22);
  EXPECT_EQ(FieldAddress("Print", "datum") & 0xFFFF, 0xFFF6);
  EXPECT_EQ(FieldAddress("KeyIn", "datum"), FieldAddress("Print", "datum"));
  EXPECT_EQ(FieldAddress("Date", "seconds"), -34);
  EXPECT_EQ(FieldAddress("Mouse", "datum"), -10);  // beyond the declared size
  EXPECT_EQ(FieldAddress("MMU", "address"), -2);
  EXPECT_EQ(FieldAddress("Disk", "count"), -12);
  // The device variable: its record type (not a reference), at its address.
  Tree video = Member("Hardware", "Video");
  EXPECT_TRUE(Equal(Kid(video, 4), Build(L_cn, Leaf(-32))));
  Tree type = Kid(video, 2), cls = Kid(type, 3);
  int32_t size = 0;
  EXPECT_TRUE(TypeSize(type, size) && size == 12);
  ASSERT_TRUE(Is(cls, L_cl) && Kid(cls, 2) == type && Kid(Kid(video, 3), 0) == cls);
  EXPECT_EQ(Bound(kKeyContext, Kid(cls, 5)), cls);
  EXPECT_EQ(Bound(InternText("fault"), Kid(cls, 5)), nullptr);  // another device's field
  std::vector<std::string> fields;                              // newest first, linked through child 1
  for (Tree f = Kid(cls, 4); f; f = Kid(f, 1)) fields.emplace_back(StringText(ValueOf(f)));
  EXPECT_EQ(fields, (std::vector<std::string>{"address", "datum", "right", "bottom", "left", "top"}));
}

TEST_F(EnvTest, ConstantsInOrder) {
  const std::pair<const char*, int32_t> newestFirst[] = {
      {"IntOnBit", 1},  {"PrintOnBit", 2}, {"FlopInBit", 4}, {"DiskPendBit", 8}, {"HideRect", -1},
      {"ClipRect", -3}, {"DoText", 32768}, {"Blit", 0},      {"maxColor", 5},    {"black", 0},
      {"white", 215},   {"minBlue", 36},   {"minGreen", 6},  {"minRed", 1},      {"FillRect", 16384}};
  Tree c = Member("Hardware", "IntOnBit");
  for (const auto& [name, value] : newestFirst) {
    ASSERT_EQ(c, Member("Hardware", name));
    EXPECT_TRUE(Equal(c, Build(L_df, Leaf(InternText(name)), {Kid(c, 1), Key(kKeyInt), Build(L_cn, Leaf(value))})));
    c = Kid(c, 1);
  }
  EXPECT_EQ(c, nullptr);
  EXPECT_EQ(ValueOf(Kid(Member("Hardware", "DoText"), 3)) & 0xFFFF, 0x8000);
}

TEST_F(EnvTest, VectorTableAndGlobalSlots) {
  Tree iVector = Member("Hardware", "iVector");
  EXPECT_EQ(Kid(Named("Hardware"), 4), iVector);
  EXPECT_TRUE(Equal(Kid(iVector, 4), Build(L_cn, Leaf(0))));
  int32_t size = 0, high = 0, element = 0;
  EXPECT_TRUE(TypeSize(Kid(iVector, 2), size) && size == 16);
  EXPECT_TRUE(ArrayBounds(Kid(iVector, 2), high, element) && high == 7 && element == 2);
  EXPECT_EQ(Global(9), Members("Hardware"));
  EXPECT_EQ(Global(8), nullptr);
}

TEST_F(EnvTest, IntrinsicsAndTheirPackages) {
  const std::pair<const char*, int32_t> dangerous[] = {{"PEEK", 4},    {"POKE", 5},   {"mmPEEK", 6}, {"mmPOKE", 7},
                                                       {"FORK", 8},    {"COCALL", 9}, {"DEBUG", 0},  {"SysOp0", 20},
                                                       {"SysOp1", 21}, {"SysOp2", 22}};
  for (const auto& [name, number] : dangerous) {
    EXPECT_TRUE(Is(Kid(Member("Dangerous", name), 2), L_fn) && ValueOf(Kid(Member("Dangerous", name), 2)) == number)
        << name;
  }
  // Each is linked to the one before it, the system calls to DEBUG.
  EXPECT_EQ(Kid(Member("Dangerous", "PEEK"), 1), nullptr);
  EXPECT_EQ(Kid(Member("Dangerous", "DEBUG"), 1), Member("Dangerous", "COCALL"));
  EXPECT_EQ(Kid(Member("Dangerous", "SysOp1"), 1), Member("Dangerous", "DEBUG"));
  EXPECT_EQ(Kid(Named("Dangerous"), 4), Member("Dangerous", "SysOp2"));
  EXPECT_TRUE(Is(Bound(kKeyAddressOf, Members("Dangerous")), L_no));  // imported with it: "&"
  // The opaque types, under their names and keys 20 and 21.
  for (const auto& [package, name, key] :
       {std::tuple{"Semaphores", "Semaphore", kKeySemaphore}, std::tuple{"Files", "FileId", kKeyFileId}}) {
    Tree type = Member(package, name);
    EXPECT_EQ(Bound(key, Members(package)), type);
    EXPECT_TRUE(Equal(type, Build(L_ty, Leaf(InternText(name)), {nullptr, Build(L_sz, Leaf(2)), Build(L_no)})));
  }
  int32_t number = 14;
  for (const char* name : {"Open", "Close", "Read", "Write", "Seek", "FileInfo"}) {
    EXPECT_EQ(ValueOf(Kid(Member("Files", name), 2)), number++) << name;
  }
  EXPECT_EQ(ValueOf(Kid(Member("Semaphores", "Signal"), 2)), 10);
  EXPECT_EQ(Kid(Member("Semaphores", "Wait"), 1), Member("Semaphores", "Signal"));
}

}  // namespace
}  // namespace vyl
