// The indexed structures behind name dictionaries and string tables give
// the results of the plain list walks: dictionaries are checked against a
// model that walks its lists, on many long and branching lists; string
// tables on a case worked out by hand.  (Set cells: with the runtime.)
#include <random>

#include "fixture.h"
#include "harness.h"

namespace vyl::test {
namespace {

class LookupIndexTest : public SessionTest {
 protected:
  void SetUp() override { Open("", false, false); }
};

// The model: a persistent list of (level, name, value) entries, newest
// first, searched by walking it.  An entry is its index, -1 the empty list.
struct Model {
  struct Entry {
    int32_t level, name;
    Tree value;
    int parent;  // the next (older) entry
  };
  std::vector<Entry> entries;
  int32_t Level(int head) const { return head < 0 ? 0 : entries[head].level; }
  // From: the newest entry with the name (never a level marker, name 0).
  int Find(int head, int32_t name) const {
    int e = head;
    while (e >= 0 && (name == 0 || entries[e].name != name)) e = entries[e].parent;
    return e;
  }
  // into: -1 for a duplicate at the head's level, else the new entry; name 0
  // opens a level.
  int Into(int head, int32_t name, Tree value) {
    for (int e = head; name != 0 && e >= 0 && entries[e].level == Level(head); e = entries[e].parent) {
      if (entries[e].name == name) return -1;
    }
    entries.push_back({Level(head) + (name == 0), name, name == 0 ? nullptr : value, head});
    return static_cast<int>(entries.size()) - 1;
  }
  int At(int head, int index) const {
    int e = index < 0 ? -1 : head;
    for (int i = 0; e >= 0 && i < index; ++i) e = entries[e].parent;
    return e;
  }
};

// Random scopes: insertions (many refused as duplicates), levels opened,
// and work resumed from older heads, so that lists share their tails and
// branch; after every step lookups and enumerations from random heads are
// compared with the model.
TEST_F(LookupIndexTest, DictionariesAnswerAsTheirListWalks) {
  std::mt19937 random(20261206);
  Model model;
  std::vector<std::pair<Tree, int>> heads = {{nullptr, -1}};
  std::vector<int32_t> names = {-6, -5, -4, -3, -2, -1, 1, 2, 7, 19, 20, 21};
  for (int i = 0; i < 60; ++i) names.push_back(InternText(std::string("n").append(std::to_string(i))));
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  int refused = 0;
  for (int step = 0; step < 6000; ++step) {
    // Mostly the newest head (a growing scope), sometimes an older one.
    auto [dict, ref] = heads[random() % 4 != 0 ? heads.size() - 1 : pick(heads.size())];
    int32_t name = random() % 12 == 0 ? 0 : names[pick(names.size())];
    Tree value = Leaf(step), out = nullptr;
    bool ok = into(name, dict, value, out);
    int expected = model.Into(ref, name, value);
    ASSERT_EQ(ok, expected >= 0) << "step " << step;
    ASSERT_EQ(out == nullptr, !ok);
    if (ok) {
      ASSERT_EQ(DictLevel(out), model.Level(expected));
      heads.emplace_back(out, expected);
    }
    refused += !ok;
    for (int probe = 0; probe < 3; ++probe) {
      auto [d, r] = heads[pick(heads.size())];
      int32_t key = names[pick(names.size())], level = -1;
      Tree found = nullptr;
      bool has = From(key, d, found, level);
      int want = model.Find(r, key);
      ASSERT_EQ(has, want >= 0) << "step " << step << " key " << key;
      ASSERT_EQ(found, want >= 0 ? model.entries[want].value : nullptr);
      ASSERT_EQ(level, model.Level(want));
    }
    if (step % 50 == 0) {
      // An enumeration of one list, interleaved with one of another list.
      auto [d, r] = heads[pick(heads.size())];
      Tree other = heads[pick(heads.size())].first, v = nullptr;
      for (int i = -1; i < 400; ++i) {
        int32_t level = 0, key = 0;
        int want = model.At(r, i);
        ASSERT_EQ(ixFrom(i, d, v, level, key), want >= 0) << "index " << i;
        ASSERT_TRUE(want < 0 || (v == model.entries[want].value && key == model.entries[want].name)) << "index " << i;
        if (i % 7 == 0) ixFrom(i / 2, other, v, level, key);
      }
    }
  }
  // The run built long lists and met many duplicates.
  EXPECT_GT(refused, 100);
  EXPECT_GT(heads.size(), 3000u);
}

TEST_F(LookupIndexTest, ShadowingAcrossLongScopes) {
  // 100 names at level 0, a level opened, the same names again: from the
  // inner head each finds its inner binding, from the outer head the outer
  // one; a third binding is refused at either level.
  Tree outer = nullptr, inner = nullptr, v = nullptr, refused = nullptr;
  int32_t level = 0;
  std::vector<int32_t> names;
  for (int i = 0; i < 100; ++i) names.push_back(InternText(std::string("v").append(std::to_string(i))));
  for (int32_t n : names) ASSERT_TRUE(into(n, outer, Leaf(1), outer));
  ASSERT_TRUE(openPlus(outer, inner));
  for (int32_t n : names) ASSERT_TRUE(into(n, inner, Leaf(2), inner));
  for (int32_t n : names) {
    EXPECT_TRUE(From(n, inner, v, level) && ValueOf(v) == 2 && level == 1);
    EXPECT_TRUE(From(n, outer, v, level) && ValueOf(v) == 1 && level == 0);
    EXPECT_FALSE(into(n, inner, Leaf(3), refused) || into(n, outer, Leaf(3), refused));
  }
  // Level markers bind nothing; names never bound are not found.
  EXPECT_FALSE(From(0, inner, v, level) || From(InternText("never"), inner, v, level));
}

// A program with many string literals: equal texts share one table, in the
// order the literals first appear.
TEST(StringTablesTest, EqualLiteralsShareOneTableAmongMany) {
  std::string source = "import Hardware;\nvoid put(String s) { Print.datum = LENGTH(s); }\nvoid main() {\n";
  for (int i = 0; i < 300; ++i) source += "  put(\"t" + std::to_string(i % 120) + "\");\n";
  Compiled c = CompileSource(source + "}\n");
  ASSERT_EQ(c.status, 0) << c.output;
  // The pool follows the procedure table (procedures 0 to 3: the start
  // code, _Up, put and main): 120 tables, each FF F0, its length in bytes
  // and one word per character; then the start code (push 0, FRAME).
  std::vector<int> expected;
  for (int i = 0; i < 120; ++i) {
    std::string text = std::string("t").append(std::to_string(i));
    expected.insert(expected.end(), {0xFF, 0xF0, 0, 2 * static_cast<int>(text.size())});
    for (char ch : text) expected.insert(expected.end(), {0, ch});
  }
  expected.insert(expected.end(), {0x20, 0x02});
  ASSERT_GT(c.image.size(), 10 + expected.size());
  EXPECT_EQ(std::vector<int>(c.image.begin() + 10, c.image.begin() + 10 + std::ssize(expected)), expected);
}

}  // namespace
}  // namespace vyl::test
