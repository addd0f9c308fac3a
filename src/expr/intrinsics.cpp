// Intrinsic calls: the procedures the compiler translates itself.  Each
// intrinsic has a fixed list of arguments; MagiCall checks them and builds
// the tree that stands for the call, as a statement or inside an expression.
#include <cstdint>
#include <initializer_list>
#include <limits>

#include "expr/expr.h"
#include "scanner/scanner.h"

namespace vyl {

namespace {

// The intrinsic numbers.
enum Intrinsic : int32_t {
  kDEBUG = 0,
  kORD = 1,
  kLENGTH = 2,
  kCHR = 3,
  kPEEK = 4,
  kPOKE = 5,
  kMmPEEK = 6,
  kMmPOKE = 7,
  kFORK = 8,
  kCOCALL = 9,
  kSignal = 10,
  kWait = 11,
  kOpen = 14,
  kClose = 15,
  kRead = 16,
  kWrite = 17,
  kSeek = 18,
  kFileInfo = 19,
  kSysOp0 = 20,
  kSysOp1 = 21,
  kSysOp2 = 22,
};

enum MagiState : int32_t {
  kParamsExpected = 1,
  kBadParameter,
  kOrdScalar,
  kLengthArray,
  kChrInteger,
  kPeekAddress,
  kPokeAddress,
  kPokeValue,
  kMmPeekAddress,
  kMmPokeAddress,
  kForkAddress,
  kCocallAddress,
  kSemaphore,
  kOpenName,
  kCloseFile,
  kReadWriteFile,
  kDataArray,
  kSeekFile,
  kSeekSector,
  kFileInfoFile,
  kSysOpInteger,
  kSysOpSecond,
  kSysOpAnother,
};

constexpr const char* kMagiCallMessages[] = {
    nullptr,
    "Function param(s) expected",
    "Bad parameter or missing parenthesis",
    "Scalar value expected for ORD",
    "Array or String parameter expected for LENGTH",
    "Integer value expected for CHR",
    "Integer address value expected for PEEK",
    "Integer address value expected for POKE",
    "2-byte value to be poked expected",
    "Integer address value expected for mmPEEK",
    "Integer address value expected for mmPOKE",
    "Integer address value expected for FORK",
    "Integer address value expected for COCALL",
    "Semaphore reference expected for Signal or Wait",
    "File name expected for Open",
    "FileId expected for Close",
    "FileId expected for Read or Write",
    "Data array expected for Read or Write",
    "FileId expected for Seek",
    "Sector number expected for Seek",
    "FileId expected for FileInfo",
    "Integer parameter value expected for SysOp",
    "Second parameter expected for SysOp",
    "Another parameter expected for SysOp2",
};

// One argument: an expression, or a name-led operand read by LeftOrCall.
struct Arg {
  Tree tree = nullptr;
  Tree record = nullptr;
  Tree type = nullptr;
  int32_t isCall = 0;
  int32_t low = 0;
  int32_t high = 0;
};

// Parses the arguments of one intrinsic call and builds its tree.
class Call {
 public:
  Call(Rule& r, Tree syms, Tree link) : r_(r), syms_(syms), link_(link) {
    intType_ = Bound(kKeyInt, syms);
    Unbounded(low, high);
  }

  bool Parse(int32_t number);

  Tree tree = nullptr;
  Tree type = nullptr;
  int32_t low = 0;
  int32_t high = 0;

 private:
  // Each reader sets the error state first, so that a missing or wrong
  // argument reports the message of that state.
  bool Expr(int32_t state, Arg& a) {
    r_.state = state;
    return Expression(syms_, a.tree, a.type, a.low, a.high);
  }
  bool Integer(int32_t state, Arg& a) { return Expr(state, a) && Assignable(syms_, intType_, a.type); }
  bool Variable(int32_t state, Arg& a) {
    r_.state = state;
    return LeftOrCall(nullptr, nullptr, syms_, nullptr, a.tree, a.record, a.type, a.isCall, a.low, a.high);
  }
  bool Comma(int32_t state) {
    r_.state = state;
    return Accept(T_Comma);
  }
  bool OfKey(int32_t key, const Arg& a) const {
    Tree t = Bound(key, syms_);
    return t && Equal(a.type, t);
  }
  bool FileId(int32_t state, Arg& a) { return Expr(state, a) && OfKey(kKeyFileId, a); }
  bool TwoBytes(const Arg& a) const {
    int32_t size = 0;
    return TypeSize(a.type, size) && size == 2;
  }
  Tree Io(int32_t number, std::initializer_list<Tree> operands) {
    Tree t = Build(L_io, Leaf(number), {link_, nullptr, nullptr, nullptr});
    int i = 2;
    for (Tree operand : operands) SetKid(t, i++, operand);
    return t;
  }
  void Result(int32_t key) { type = Bound(key, syms_); }

  bool Length();
  bool Chr();
  bool Store(int32_t addressState, bool mapped);
  bool Semaphore(int32_t number);
  bool Open();
  bool ReadWrite(int32_t number);
  bool SysOp(int32_t number);

  Rule& r_;
  Tree syms_;
  Tree link_;
  Tree intType_ = nullptr;
};

bool Call::Parse(int32_t number) {
  Arg a;
  switch (number) {
    case kDEBUG:
      tree = Io(kDEBUG, {});
      Result(kKeyVoid);
      return true;
    case kORD:
      if (!Expr(kOrdScalar, a) || !IsScalar(a.type)) return false;
      tree = a.tree;
      Result(kKeyInt);
      low = a.low;
      high = a.high;
      return true;
    case kLENGTH:
      return Length();
    case kCHR:
      return Chr();
    case kPEEK:
    case kMmPEEK:
      if (!Integer(number == kPEEK ? kPeekAddress : kMmPeekAddress, a)) return false;
      tree = number == kPEEK ? Build(L_dr, nullptr, {a.tree}) : Build(L_dr, nullptr, {a.tree, Build(L_mt)});
      Result(kKeyInt);
      return true;
    case kPOKE:
      return Store(kPokeAddress, false);
    case kMmPOKE:
      return Store(kMmPokeAddress, true);
    case kFORK:
      // Only an address whose value is not known at all is accepted.
      if (!Integer(kForkAddress, a) || a.low != std::numeric_limits<int32_t>::min() ||
          a.high != std::numeric_limits<int32_t>::max()) {
        return false;
      }
      tree = Build(L_ac, nullptr, {link_, a.tree, Build(L_no)});
      Result(kKeyInt);
      return true;
    case kCOCALL:
      if (!Integer(kCocallAddress, a)) return false;
      tree = Build(L_ac, nullptr, {link_, a.tree});
      Result(kKeyVoid);
      return true;
    case kSignal:
    case kWait:
      return Semaphore(number);
    case kOpen:
      return Open();
    case kClose:
      if (!FileId(kCloseFile, a)) return false;
      tree = Io(kClose, {a.tree});
      Result(kKeyVoid);
      return true;
    case kRead:
    case kWrite:
      return ReadWrite(number);
    case kSeek: {
      Arg sector;
      if (!FileId(kSeekFile, a) || !Comma(kSeekSector) || !Integer(kSeekSector, sector)) return false;
      tree = Io(kSeek, {a.tree, sector.tree});
      Result(kKeyVoid);
      return true;
    }
    case kFileInfo:
      if (!FileId(kFileInfoFile, a)) return false;
      tree = Io(kFileInfo, {a.tree});
      Result(kKeyInt);
      return true;
    case kSysOp0:
    case kSysOp1:
    case kSysOp2:
      return SysOp(number);
    default:
      return false;  // no intrinsic has this number
  }
}

// The element count of an array: a constant for an array of known length;
// otherwise the length word stored 2 bytes before the data, which counts
// bytes, divided by the element size.
bool Call::Length() {
  Arg a;
  int32_t highIndex = 0, elementSize = 0;
  if (!Variable(kLengthArray, a) || !ArrayBounds(a.type, highIndex, elementSize)) return false;
  Result(kKeyInt);
  if (highIndex >= 0) {
    if (highIndex == std::numeric_limits<int32_t>::max()) return false;
    low = high = highIndex + 1;
    tree = Constant(low);
    return true;
  }
  // A variable holds a reference to the data; a constant table, or the
  // value of a call, is the data's address itself.
  Tree data = a.isCall || Is(a.record, L_df) ? a.tree : Build(L_dr, nullptr, {a.tree});
  Tree lengthWord = Build(L_dr, nullptr, {Build(L_of, Leaf(-2), {Build(L_un, nullptr, {data})})});
  tree = Build(L_dv, nullptr, {lengthWord, Constant(elementSize)});
  return true;
}

// A character from an integer.  A char value is trusted to lie in 0..255
// (indexing relies on it), so a value that may lie outside is masked.
bool Call::Chr() {
  Arg a;
  if (!Integer(kChrInteger, a)) return false;
  Result(kKeyChar);
  if (a.low < 0 || a.high > 255) {
    tree = Build(L_an, intType_, {a.tree, Constant(255)});
    low = 0;
    high = 255;
  } else {
    tree = a.tree;
    low = a.low;
    high = a.high;
  }
  return true;
}

// POKE and mmPOKE: a word store to an address.
bool Call::Store(int32_t addressState, bool mapped) {
  Arg address, value;
  if (!Integer(addressState, address)) return false;
  if (!Comma(kPokeValue) || !Expr(kPokeValue, value) || !TwoBytes(value)) return false;
  tree = Build(L_as, nullptr, {link_, address.tree, value.tree, mapped ? Build(L_mt) : nullptr});
  Result(kKeyVoid);
  return true;
}

// Signal and Wait operate on the semaphore variable's address.
bool Call::Semaphore(int32_t number) {
  Arg a;
  if (!Variable(kSemaphore, a) || a.isCall || !(Is(a.record, L_vr) || Is(a.record, L_ax)) ||
      !OfKey(kKeySemaphore, a)) {
    return false;
  }
  tree = Io(number, {a.tree});
  Result(kKeyVoid);
  return true;
}

bool Call::Open() {
  Arg a;
  int32_t highIndex = 0, elementSize = 0;
  if (!Expr(kOpenName, a) || !ArrayBounds(a.type, highIndex, elementSize)) return false;
  Tree array = Is(a.type, L_ty) ? Part(a.type, 3) : a.type;
  Tree charType = Bound(kKeyChar, syms_);
  if (!charType || !Equal(Part(array, 2), charType)) return false;
  tree = Io(kOpen, {a.tree});
  Result(kKeyFileId);
  return true;
}

// Read and Write: a file and a data array.  A variable names the data in
// place (through the reference it holds for an array of unbounded length);
// Write also takes any expression of array type, a string literal say.
bool Call::ReadWrite(int32_t number) {
  Arg file, data;
  if (!FileId(kReadWriteFile, file) || !Comma(kDataArray)) return false;
  bool named = false;
  {
    Attempt variable(r_);
    named = Variable(kDataArray, data);
  }
  if (!named && (number != kWrite || !Expr(kDataArray, data))) return false;
  r_.state = kDataArray;
  int32_t highIndex = 0, elementSize = 0;
  if (!ArrayBounds(data.type, highIndex, elementSize)) return false;
  Tree operand = data.tree;
  if (named && highIndex < 0 && !data.isCall && !Is(data.record, L_df)) operand = Build(L_dr, nullptr, {data.tree});
  tree = Io(number, {file.tree, operand});
  Result(kKeyInt);
  return true;
}

// The first argument of a system operation is its last operand.
bool Call::SysOp(int32_t number) {
  Arg first, second, third;
  if (!Integer(kSysOpInteger, first)) return false;
  if (number >= kSysOp1 && (!Comma(kSysOpSecond) || !Expr(kSysOpSecond, second))) return false;
  if (number == kSysOp2 && (!Comma(kSysOpAnother) || !Expr(kSysOpAnother, third))) return false;
  tree = Io(number, {second.tree, third.tree, first.tree});
  Result(kKeyInt);
  return true;
}

}  // namespace

// MagiCall ::= "(" [ argument { "," argument } ] ")"
//
// The arguments, their checks, the tree, the result type and the value
// range depend on the intrinsic's number.  `link` is the statement link
// when the call stands as a statement, empty inside an expression.
bool MagiCall(Tree intrinsic, Tree syms, Tree link, Tree& tree, Tree& type, int32_t& low, int32_t& high) {
  Rule r("MagiCall", kMagiCallMessages);
  if (!Is(intrinsic, L_fn) || !Is(Part(intrinsic, 2), L_fn)) return r.Fail();
  r.state = kParamsExpected;
  if (!Accept(T_LParen)) return r.Fail();
  r.state = 0;
  Call call(r, syms, link);
  if (!call.Parse(ValueOf(Part(intrinsic, 2)))) return r.Fail();
  r.state = kBadParameter;
  if (!Accept(T_RParen)) return r.Fail();
  r.state = 0;
  tree = call.tree;
  type = call.type;
  low = call.low;
  high = call.high;
  return r.Succeed(tree, type, low, high);
}

}  // namespace vyl
