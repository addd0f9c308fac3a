// The indexed structures behind name dictionaries, set cells and string
// tables give the results of the plain list walks: dictionaries are checked
// against a model that walks its lists, on many long and branching lists;
// sets and string tables on cases worked out by hand.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "app/app.h"
#include "harness.h"
#include "runtime/runtime.h"

namespace vyl {
namespace {

class LookupIndexTest : public ::testing::Test {
 protected:
  MemoryHost host;
  std::unique_ptr<OpenSession> session;
  void SetUp() override {
    host.files["prog.vyl"] = "";
    session = std::make_unique<OpenSession>(host);
  }
  void TearDown() override { session.reset(); }
};

// The model: a persistent list of (level, name, value) entries, newest
// first, searched by walking it.
struct ModelEntry {
  int32_t level;
  int32_t name;
  Tree value;
  int parent;  // index of the next (older) entry, -1 at the end
};

struct Model {
  std::vector<ModelEntry> entries;
  int32_t Level(int head) const { return head < 0 ? 0 : entries[static_cast<std::size_t>(head)].level; }
  // From: the newest entry with the name, or -1.
  int Find(int head, int32_t name) const {
    for (int e = head; e >= 0; e = entries[static_cast<std::size_t>(e)].parent) {
      if (name != 0 && entries[static_cast<std::size_t>(e)].name == name) return e;
    }
    return -1;
  }
  // into: -1 for a duplicate at the head's level, else the new entry.
  int Into(int head, int32_t name, Tree value) {
    int32_t level = Level(head);
    if (name == 0) {
      entries.push_back({level + 1, 0, nullptr, head});
      return static_cast<int>(entries.size()) - 1;
    }
    for (int e = head; e >= 0; e = entries[static_cast<std::size_t>(e)].parent) {
      const ModelEntry& m = entries[static_cast<std::size_t>(e)];
      if (m.level != level) break;
      if (m.name == name) return -1;
    }
    entries.push_back({level, name, value, head});
    return static_cast<int>(entries.size()) - 1;
  }
  int At(int head, int index) const {
    int e = head;
    for (int i = 0; e >= 0 && i < index; ++i) e = entries[static_cast<std::size_t>(e)].parent;
    return index < 0 ? -1 : e;
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
  for (int i = 0; i < 60; ++i) names.push_back(InternText("n" + std::to_string(i)));
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  int refused = 0;
  for (int step = 0; step < 6000; ++step) {
    // Mostly the newest head (a growing scope), sometimes an older one.
    std::size_t h = random() % 4 != 0 ? heads.size() - 1 : pick(heads.size());
    auto [dict, ref] = heads[h];
    int32_t name = random() % 12 == 0 ? 0 : names[pick(names.size())];
    Tree value = Leaf(step);
    Tree out = nullptr;
    bool ok = into(name, dict, value, out);
    int expected = model.Into(ref, name, value);
    ASSERT_EQ(ok, expected >= 0) << "step " << step;
    if (ok) {
      ASSERT_EQ(DictLevel(out), model.Level(expected));
      heads.emplace_back(out, expected);
    } else {
      ++refused;
      ASSERT_EQ(out, nullptr);
    }
    for (int probe = 0; probe < 3; ++probe) {
      auto [d, r] = heads[pick(heads.size())];
      int32_t key = names[pick(names.size())];
      Tree found = nullptr;
      int32_t level = -1;
      bool has = From(key, d, found, level);
      int want = model.Find(r, key);
      ASSERT_EQ(has, want >= 0) << "step " << step << " key " << key;
      ASSERT_EQ(found, want >= 0 ? model.entries[static_cast<std::size_t>(want)].value : nullptr);
      ASSERT_EQ(level, want >= 0 ? model.entries[static_cast<std::size_t>(want)].level : 0);
    }
    if (step % 50 == 0) {
      // An enumeration of one list, interleaved with one of another list.
      auto [d, r] = heads[pick(heads.size())];
      auto [other, otherRef] = heads[pick(heads.size())];
      for (int i = -1; i < 400; ++i) {
        Tree v = nullptr;
        int32_t level = 0, key = 0;
        bool has = ixFrom(i, d, v, level, key);
        int want = model.At(r, i);
        ASSERT_EQ(has, want >= 0) << "index " << i;
        if (has) {
          ASSERT_EQ(v, model.entries[static_cast<std::size_t>(want)].value);
          ASSERT_EQ(key, model.entries[static_cast<std::size_t>(want)].name);
        }
        if (i % 7 == 0) ixFrom(i / 2, other, v, level, key);
      }
    }
  }
  // The run built long lists and met many duplicates.
  EXPECT_GT(refused, 100);
  EXPECT_GT(heads.size(), 3000u);
}

TEST_F(LookupIndexTest, ShadowingAndDuplicatesAcrossIndexedStretches) {
  // 100 names at level 0, a level opened, the same names again: every
  // lookup finds the inner binding, and after the inner scope (its older
  // head) the outer one; a third binding in the inner level is refused.
  Tree outer = nullptr;
  std::vector<int32_t> names;
  for (int i = 0; i < 100; ++i) names.push_back(InternText("v" + std::to_string(i)));
  for (int32_t n : names) ASSERT_TRUE(into(n, outer, Leaf(1), outer));
  Tree inner = nullptr;
  ASSERT_TRUE(openPlus(outer, inner));
  for (int32_t n : names) ASSERT_TRUE(into(n, inner, Leaf(2), inner));
  for (int32_t n : names) {
    Tree v = nullptr;
    int32_t level = 0;
    ASSERT_TRUE(From(n, inner, v, level));
    EXPECT_EQ(ValueOf(v), 2);
    EXPECT_EQ(level, 1);
    ASSERT_TRUE(From(n, outer, v, level));
    EXPECT_EQ(ValueOf(v), 1);
    EXPECT_EQ(level, 0);
    Tree refused = inner;
    EXPECT_FALSE(into(n, inner, Leaf(3), refused));
    EXPECT_FALSE(into(n, outer, Leaf(3), refused));
  }
  // Level markers bind nothing; names never bound are not found.
  Tree v = nullptr;
  int32_t level = 7;
  EXPECT_FALSE(From(0, inner, v, level));
  EXPECT_EQ(level, 0);
  EXPECT_FALSE(From(InternText("never"), inner, v, level));
}

TEST_F(LookupIndexTest, SetCellsAreSharedAndCountedAsBefore) {
  // {3, 2, 1} built in two orders: 1, 2, 3 makes cells 1 (1), 2 (2 1),
  // 3 (3 2 1); then 3, 1, 2 makes 4 (3) and 5 (3 1), and 2 goes between 3
  // and 1: (2 1) exists as cell 2, (3 2 1) as cell 3.
  Tree a = nullptr;
  for (int e : {1, 2, 3}) ASSERT_TRUE(addset(e, a, a));
  EXPECT_EQ(SetCellsUsed(), 3);
  Tree b = nullptr;
  for (int e : {3, 1, 2}) ASSERT_TRUE(addset(e, b, b));
  EXPECT_EQ(a, b);
  EXPECT_EQ(SetCellsUsed(), 5);
  EXPECT_EQ(SetElements(a), (std::vector<int32_t>{3, 2, 1}));
  // The same element in front of 300 different rests: 300 cells, each
  // found again without new ones.
  std::vector<Tree> sets;
  for (int i = 0; i < 300; ++i) {
    Tree s = nullptr;
    ASSERT_TRUE(addset(1000 + i, s, s));
    ASSERT_TRUE(addset(5000, s, s));
    sets.push_back(s);
  }
  int32_t used = SetCellsUsed();
  EXPECT_EQ(used, 5 + 600);
  for (int i = 0; i < 300; ++i) {
    Tree s = nullptr;
    ASSERT_TRUE(addset(5000, s, s));
    ASSERT_TRUE(addset(1000 + i, s, s));
    EXPECT_EQ(s, sets[static_cast<std::size_t>(i)]);
  }
  // Built the other way round, only the set {5000} alone is new (once):
  // (1000+i) and (5000 1000+i) exist.
  EXPECT_EQ(SetCellsUsed(), used + 1);
  // Large and negative elements work the same way.
  Tree big = nullptr;
  ASSERT_TRUE(addset(100000, big, big));
  ASSERT_TRUE(addset(-5, big, big));
  Tree big2 = nullptr;
  ASSERT_TRUE(addset(-5, big2, big2));
  ASSERT_TRUE(addset(100000, big2, big2));
  EXPECT_EQ(big, big2);
  EXPECT_TRUE(inset(-5, big));
  EXPECT_FALSE(inset(99999, big));
}

// Programs with many string literals: equal texts share one table, in the
// order the literals first appear.
TEST(StringTablesTest, EqualLiteralsShareOneTableAmongMany) {
  std::string source = "import Hardware;\nvoid put(String s) { Print.datum = LENGTH(s); }\nvoid main() {\n";
  for (int i = 0; i < 300; ++i) source += "  put(\"t" + std::to_string(i % 120) + "\");\n";
  source += "}\n";
  test::Compiled c = test::CompileSource(source);
  ASSERT_EQ(c.status, 0) << c.output;
  // The pool follows the procedure table (procedures 0 to 3: the start
  // code, _Up, put and main): 120 tables, each FF F0, its length in bytes
  // and one word per character.
  ASSERT_GT(c.image.size(), 10u);
  std::size_t at = 10;
  for (int i = 0; i < 120; ++i) {
    std::string text = "t" + std::to_string(i);
    ASSERT_EQ(c.image[at], 0xFF) << "table " << i;
    ASSERT_EQ(c.image[at + 1], 0xF0);
    ASSERT_EQ(c.image[at + 2] * 256 + c.image[at + 3], static_cast<int>(2 * text.size()));
    for (std::size_t k = 0; k < text.size(); ++k) {
      ASSERT_EQ(c.image[at + 4 + 2 * k], 0);
      ASSERT_EQ(c.image[at + 5 + 2 * k], text[k]);
    }
    at += 4 + 2 * text.size();
  }
  // Then the start code (push 0, FRAME): no 121st table.
  EXPECT_EQ(c.image[at], 0x20);
  EXPECT_EQ(c.image[at + 1], 0x02);
}

}  // namespace
}  // namespace vyl
