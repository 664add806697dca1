#include <cmath>
#include <cstdint>
#include <limits>

#include "gtest/gtest.h"
#include "json/json.h"
#include "testing/test_support.h"

namespace {

JsonNode* ObjectWithMembers(std::initializer_list<const char*> names) {
  JsonNode* object = JsonNewObject();
  double value = 1;
  for (const char* name : names) {
    JsonAppendMember(object, name, JsonNewNumber(value++));
  }
  return object;
}

TEST(JsonTreeTest, FindMemberFoldsOnlyAsciiLetters) {
  struct Case {
    const char* member;
    const char* wanted;
    bool found;
  } cases[] = {
      {"m_iYear", "m_iyear", true},
      {"m_iYear", "M_IYEAR", true},
      {"m_strSceneName", "M_STRSCENENAME", true},
      {"m_iYear", "m_iYea", false},
      {"m_iYea", "m_iYear", false},
      {"a_b", "A_B", true},
      {"@[", "`{", false},              // neighbours of the letter ranges do not fold
      {"\xC3\xA9", "\xC3\x89", false},  // é and É differ beyond ASCII
      {"\xC3\xA9t\xC3\xA9", "\xC3\xA9T\xC3\xA9", true},
  };
  for (const Case& c : cases) {
    JsonNode* object = ObjectWithMembers({c.member});
    EXPECT_EQ(JsonFindMember(object, c.wanted) != nullptr, c.found)
        << c.member << " / " << c.wanted;
    JsonDestroy(object);
  }
}

TEST(JsonTreeTest, FindMemberReturnsFirstOfDuplicates) {
  JsonNode* object = ObjectWithMembers({"other", "Name", "NAME", "name"});
  JsonNode* found = JsonFindMember(object, "name");
  ASSERT_NE(found, nullptr);
  EXPECT_STREQ(found->memberName, "Name");
  EXPECT_EQ(found->doubleValue, 2.0);
  JsonDestroy(object);
}

TEST(JsonTreeTest, FindMemberInContainersWithoutNamesGivesNull) {
  JsonNode* empty = JsonNewObject();
  JsonNode* array = JsonNewArray();
  JsonAppendElement(array, JsonNewString("name"));
  JsonNode* number = JsonNewNumber(3);
  EXPECT_EQ(JsonFindMember(empty, "name"), nullptr);
  EXPECT_EQ(JsonFindMember(array, "name"), nullptr);
  EXPECT_EQ(JsonFindMember(number, "name"), nullptr);
  JsonDestroy(empty);
  JsonDestroy(array);
  JsonDestroy(number);
}

TEST(JsonTreeTest, NewNumberSetsIntegerByTruncationOrMostNegative) {
  const std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  struct Case {
    double value;
    std::int64_t integer;
  } cases[] = {
      {2015.0, 2015},
      {-2.5, -2},
      {2.9, 2},
      {-0.0, 0},
      {1e19, kMin},
      {-1e19, kMin},
      {9223372036854775808.0, kMin},                 // 2^63 is just outside
      {9223372036854774784.0, 9223372036854774784},  // the largest double inside
      {-9223372036854775808.0, kMin},                // -2^63 is inside and is the minimum
      {std::numeric_limits<double>::infinity(), kMin},
      {std::numeric_limits<double>::quiet_NaN(), kMin},
  };
  for (const Case& c : cases) {
    JsonNode* node = JsonNewNumber(c.value);
    EXPECT_EQ(node->integerValue, c.integer) << c.value;
    EXPECT_EQ(JsonTypeOf(node), JsonType::Number);
    JsonDestroy(node);
  }
}

TEST(JsonTreeTest, AppendLinksSiblingsBothWays) {
  JsonNode* array = JsonNewArray();
  JsonNode* first = JsonNewTrue();
  JsonNode* second = JsonNewFalse();
  JsonNode* third = JsonNewNull();
  JsonAppendElement(array, first);
  JsonAppendElement(array, second);
  JsonAppendElement(array, nullptr);
  JsonAppendElement(array, third);
  EXPECT_EQ(array->firstChild, first);
  EXPECT_EQ(first->previous, nullptr);
  EXPECT_EQ(first->next, second);
  EXPECT_EQ(second->previous, first);
  EXPECT_EQ(second->next, third);
  EXPECT_EQ(third->previous, second);
  EXPECT_EQ(third->next, nullptr);
  JsonDestroy(array);
}

TEST(JsonTreeTest, AppendMemberWithNullItemAllocatesNothing) {
  CountingAllocator counter;
  JsonNode* object = JsonNewObject();
  JsonAppendMember(object, "name", nullptr);
  EXPECT_EQ(counter.requests(), 1u);
  EXPECT_EQ(object->firstChild, nullptr);
  JsonDestroy(object);
}

TEST(JsonTreeTest, AppendMemberReplacesAndReleasesOldName) {
  CountingAllocator counter;
  JsonNode* first = JsonNewObject();
  JsonNode* second = JsonNewObject();
  JsonNode* item = JsonNewString("v");
  JsonAppendMember(first, "old", item);
  first->firstChild = nullptr;  // take it out again to name it a second time
  JsonAppendMember(second, "new", item);
  EXPECT_STREQ(item->memberName, "new");
  JsonDestroy(first);
  JsonDestroy(second);
  EXPECT_EQ(counter.outstanding(), 0u);
}

TEST(JsonTreeTest, FailedCopiesLeaveNodesWithoutText) {
  {
    CountingAllocator counter(2);  // the node succeeds, its copy of the text fails
    JsonNode* node = JsonNewString("text");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(JsonTypeOf(node), JsonType::String);
    EXPECT_EQ(node->stringValue, nullptr);
    JsonDestroy(node);
    EXPECT_EQ(counter.outstanding(), 0u);
  }
  {
    CountingAllocator counter(3);  // object, item, then the name copy fails
    JsonNode* object = JsonNewObject();
    JsonAppendMember(object, "name", JsonNewNull());
    ASSERT_NE(object->firstChild, nullptr);
    EXPECT_EQ(object->firstChild->memberName, nullptr);
    JsonDestroy(object);
    EXPECT_EQ(counter.outstanding(), 0u);
  }
}

TEST(JsonTreeTest, DestroyReleasesNestedTreeOnce) {
  CountingAllocator counter;
  JsonNode* root = JsonNewObject();
  JsonNode* inner = JsonNewArray();
  JsonAppendElement(inner, JsonNewString("a"));
  JsonNode* deepest = JsonNewObject();
  JsonAppendMember(deepest, "k", JsonNewString("v"));
  JsonAppendElement(inner, deepest);
  JsonAppendMember(root, "list", inner);
  JsonAppendMember(root, "n", JsonNewNumber(1));
  EXPECT_GT(counter.outstanding(), 0u);
  JsonDestroy(root);
  EXPECT_EQ(counter.outstanding(), 0u);
  JsonDestroy(nullptr);
}

}  // namespace
