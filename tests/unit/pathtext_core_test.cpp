#include <gtest/gtest.h>

#include "ui/pathtext_core.h"

namespace pix {
namespace {

// Characters (not bytes) of a UTF-8 text, the width a fixed-pitch place measures.
size_t Chars(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

TEST(ShortenPathMiddle, MiddleFoldersGoFirstRootAndNameStay) {
  struct Case {
    const char* path;
    size_t room;  // characters that fit
    const char* shown;
  } cases[] = {
      {"C:\\users\\root\\Desktop\\a1.bmp", 40, "C:\\users\\root\\Desktop\\a1.bmp"},
      {"C:\\users\\root\\Desktop\\a1.bmp", 26, "C:\\users\\…\\Desktop\\a1.bmp"},
      {"C:\\users\\root\\Desktop\\a1.bmp", 20, "C:\\…\\Desktop\\a1.bmp"},
      {"C:\\users\\root\\Desktop\\a1.bmp", 12, "C:\\…\\a1.bmp"},
      // A network share is a root: it never gives way to the ellipsis.
      {"\\\\srv\\pics\\2004\\june\\trip\\p.jpg", 24, "\\\\srv\\pics\\…\\trip\\p.jpg"},
      {"\\\\?\\C:\\a\\b\\c\\d.bmp", 16, "\\\\?\\C:\\…\\c\\d.bmp"},
      // Folders near the name are kept before those near the root.
      {"C:\\1\\2\\3\\4\\5\\n.bmp", 16, "C:\\1\\…\\4\\5\\n.bmp"},
      // Cyrillic folders are cut whole characters at a time.
      {"C:\\Фото\\Отпуск\\Море\\снимок.jpg", 25, "C:\\Фото\\…\\Море\\снимок.jpg"},
      // Too narrow even for root\…\name: the name loses its middle, not its extension.
      {"C:\\dir\\a_very_long_file_name.jpeg", 18, "C:\\…\\a_very_….jpeg"},
      {"C:\\a_very_long_file_name.jpeg", 14, "C:\\a_ver….jpeg"},
  };
  for (const Case& c : cases) {
    std::string got = ShortenPathMiddle(c.path, [&](const std::string& s) {
      return Chars(s) <= c.room;
    });
    EXPECT_EQ(got, c.shown) << c.path << " in " << c.room;
    EXPECT_LE(Chars(got), c.room) << c.path;
  }
}

TEST(ShortenPathMiddle, PathsWithNothingToDropStayWhole) {
  auto never = [](const std::string&) { return false; };
  EXPECT_EQ(ShortenPathMiddle("", never), "");
  EXPECT_EQ(ShortenPathMiddle("C:", never), "C:");
  EXPECT_EQ(ShortenPathMiddle("\\\\srv\\share", never), "\\\\srv\\share");
}

}  // namespace
}  // namespace pix
