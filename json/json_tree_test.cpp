#include <cstdint>
#include <limits>

#include "gtest/gtest.h"
#include "json/json.h"
#include "testing/parse_agreement.h"
#include "testing/test_support.h"

namespace {

TEST(JsonTreeTest, FindMemberGivesFirstMatchFoldingOnlyAsciiCapitals) {
  struct Case {
    const char* tree;  // each member holds its position
    const char* wanted;
    int found;  // the position of the member found, or -1
  } cases[] = {
      {"{\"m_iYear\":0}", "M_IYEAR", 0},
      {"{\"ABCDEFGHIJKLMNOPQRSTUVWXYZ\":0}", "abcdefghijklmnopqrstuvwxyz", 0},
      {"{\"m_iYear\":0}", "m_iYea", -1},
      {"{\"m_iYea\":0}", "m_iYear", -1},
      {"{\"@[\":0}", "`{", -1},              // neighbours of the letter ranges do not fold
      {"{\"\xC3\xA9\":0}", "\xC3\x89", -1},  // é and É differ beyond ASCII
      {"{\"\xC3\xA9t\xC3\xA9\":0}", "\xC3\xA9T\xC3\xA9", 0},
      {"{\"other\":0,\"Name\":1,\"NAME\":2,\"name\":3}", "name", 1},
      {"[0,1]", "name", -1},  // elements have no names
      {"{}", "name", -1},
  };
  for (const Case& c : cases) {
    JsonNode* tree = JsonParse(c.tree);
    const JsonNode* found = JsonFindMember(tree, c.wanted);
    EXPECT_EQ(found != nullptr ? found->doubleValue : -1, c.found) << c.tree << " / " << c.wanted;
    JsonDestroy(tree);
  }
}

TEST(JsonTreeTest, NewNumberIntegerIsMostNegativeOnlyOutsideTheRange) {
  const std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  struct Case {
    double value;
    std::int64_t integer;
  } cases[] = {
      {-1e19, kMin},
      {9223372036854775808.0, kMin},                 // 2^63 is just outside
      {9223372036854774784.0, 9223372036854774784},  // the largest double inside
      {-9223372036854775808.0, kMin},                // -2^63 is inside and is the minimum
      {std::numeric_limits<double>::quiet_NaN(), kMin},
  };
  for (const Case& c : cases) {
    JsonNode* node = JsonNewNumber(c.value);
    EXPECT_EQ(node->integerValue, c.integer) << c.value;
    JsonDestroy(node);
  }
}

TEST(JsonTreeTest, AppendLinksItemsBothWaysAndOwnsTheirNames) {
  CountingAllocator counter;
  JsonNode* object = JsonNewObject();
  JsonNode* items[] = {JsonNewTrue(), JsonNewFalse(), JsonNewNull()};
  items[2]->memberName = JsonDuplicateText("old");
  JsonAppendElement(object, items[0]);
  JsonAppendElement(object, nullptr);
  JsonAppendMember(object, "name", nullptr);
  JsonAppendMember(object, "b", items[1]);
  JsonAppendMember(object, "new", items[2]);  // releases the old name
  EXPECT_EQ(counter.requests(), 7u);          // four nodes and three names: none for the null item
  EXPECT_STREQ(items[2]->memberName, "new");
  EXPECT_EQ(object->firstChild, items[0]);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(items[i]->previous, i > 0 ? items[i - 1] : nullptr) << i;
    EXPECT_EQ(items[i]->next, i < 2 ? items[i + 1] : nullptr) << i;
  }
  JsonDestroy(object);
  EXPECT_EQ(counter.outstanding(), 0u);
}

TEST(JsonTreeTest, FailedCopiesLeaveMissingTextsThatPrintAsNothing) {
  // The requests: the object, the string's node, its text, then the member's name.
  for (std::size_t fail_at : {3u, 4u}) {
    CountingAllocator counter(fail_at);
    JsonNode* object = JsonNewObject();
    JsonAppendMember(object, "name", JsonNewString("text"));
    EXPECT_EQ(PrintedText(object), fail_at == 3 ? "{\"name\":}" : "{:\"text\"}");
    JsonDestroy(object);
    EXPECT_EQ(counter.outstanding(), 0u) << fail_at;
  }
}

// A parsed tree's nodes and texts share pools: a node taken out can still be destroyed
// alone, and a parsed member can be renamed; every block goes back exactly once.
TEST(JsonTreeTest, ParsedNodesAreDestroyedAloneAndRenamed) {
  CountingAllocator counter;
  JsonNode* tree = JsonParse("{\"a\":[1,\"x\"],\"b\":\"text\",\"c\":{}}");
  ASSERT_NE(tree, nullptr);
  JsonNode* a = tree->firstChild;
  JsonNode* b = a->next;
  tree->firstChild = b->next;
  b->next->previous = nullptr;
  a->next = nullptr;
  b->previous = nullptr;
  b->next = nullptr;
  JsonDestroy(a);
  JsonAppendMember(tree, "renamed", b);
  EXPECT_EQ(PrintedText(tree), "{\"c\":{},\"renamed\":\"text\"}");
  JsonDestroy(tree);
  EXPECT_EQ(counter.outstanding(), 0u);
}

}  // namespace
