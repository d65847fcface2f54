#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/profile_core.h"

namespace pix {
namespace {

// What each settings value text reads as, with the key's default standing in
// for a failed conversion.
TEST(ProfileTextToInt, SettingsValueTable) {
  struct Case { const char* text; int32_t fallback; int32_t result; } cases[] = {
      {"0x320", 800, 800},         {"$320", 800, 800},     {"800px", 800, 800},
      {"abc", 600, 600},           {"-20", 0, -20},        {"", 0, 0},
      {"2", 0, 2},                 {"0x1", 0, 1},          {"0X1f", 0, 31},
      {"0x", 7, 7},                {"0X", 7, 7},           {"0x-5", 7, 7},
      {"0x$5", 7, 7},              {"$", 7, 7},            {"0", 7, 0},
      {"761", 800, 761},           {"-4", 0, -4},          {"0xFFFFFFFF", 0, -1},
      {"0x80000000", 0, INT32_MIN}, {"0x100000000", 5, 5}, {"1e3", 9, 9},
      {" 12", 0, 12},              {"12 ", 0, 0},          {"+12", 0, 12},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ProfileTextToInt(c.text, c.fallback), c.result) << '"' << c.text << '"';
}

TEST(TryStrToInt, AcceptedForms) {
  struct Case { const char* text; int32_t value; } cases[] = {
      {"0", 0},
      {"007", 7},
      {"   42", 42},
      {"-0", 0},
      {"+0", 0},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"00000000002147483647", INT32_MAX},  // leading zeros count for nothing
      {"$7FFFFFFF", INT32_MAX},
      {"$80000000", INT32_MIN},
      {"$FFFFFFFF", -1},
      {"$ffffffff", -1},
      {"$000000000000001", 1},  // digits beyond eight are fine while the value fits
      {"x10", 16},
      {"X10", 16},
      {"0x10", 16},
      {"0XaB", 171},
      {"-$10", -16},
      {"-0x10", -16},
      {"+x10", 16},
      {"-$FFFFFFFF", 1},  // the sign applies to the wrapped value
      {"-$80000000", INT32_MIN},
      {"  -x1", -1},
  };
  for (const Case& c : cases) {
    int32_t v = 12345;
    EXPECT_TRUE(TryStrToInt(c.text, v)) << '"' << c.text << '"';
    EXPECT_EQ(v, c.value) << '"' << c.text << '"';
  }
}

TEST(TryStrToInt, RefusedForms) {
  const char* cases[] = {
      "",            "   ",          "+",           "-",          "$",
      "x",           "0x",           "-$",          "+0X",        "2147483648",
      "-2147483649", "99999999999999999999999",   "$100000000", "$123456789",
      "12a",         "12 ",          "1 2",         "- 5",        "+-5",
      "--5",         "$-5",          "$ 5",         "0x0x5",      "$G",
      "\t5",         "5\t",          "1.5",         "1e3",        "٣",
  };
  for (const char* text : cases) {
    int32_t v = 12345;
    EXPECT_FALSE(TryStrToInt(text, v)) << '"' << text << '"';
    EXPECT_EQ(v, 12345) << "a refused text leaves the value alone: " << text;
  }
}

TEST(TryStrToInt, EmbeddedNulIsACharacterAfterTheNumber) {
  int32_t v = 0;
  EXPECT_FALSE(TryStrToInt(std::string("12\0" "3", 4), v));
}

}  // namespace
}  // namespace pix
