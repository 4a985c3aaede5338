#include "platform/posix/iconv_codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace kit::posix {
namespace {

const std::string kPizhurenGbk = "\xC5\xFA\xD7\xA2\xC8\xCB";
const std::string kPizhurenUtf8 = "\xE6\x89\xB9\xE6\xB3\xA8\xE4\xBA\xBA";  // 批注人

TEST(IconvCodePage, UnconvertibleAndMalformedInputBecomesOneQuestionMarkEach) {
  IconvCodePage cp;
  // An emoji and a Hangul syllable have no place in GBK.
  EXPECT_EQ(cp.FromUtf8("a\xF0\x9F\x98\x80" "b"), "a?b");
  EXPECT_EQ(cp.FromUtf8("\xED\x95\x9C" + kPizhurenUtf8), "?" + kPizhurenGbk);
  EXPECT_EQ(cp.FromUtf8("\xF0\x9F\x98\x80\xF0\x9F\x98\x80"), "??");

  // Bytes that cannot start a GBK character.
  EXPECT_EQ(cp.ToUtf8("a\xFF" "b"), "a?b");
  EXPECT_EQ(cp.ToUtf8("\xFF\xFF\xFF"), "???");
  // A lead byte with a trail byte outside the trail range, and one cut off at the end.
  EXPECT_EQ(cp.ToUtf8("\xC5\x20" "x"), "? x");
  EXPECT_EQ(cp.ToUtf8("ab\xC5"), "ab?");
  EXPECT_EQ(cp.ToUtf8(kPizhurenGbk + "\xFF" + kPizhurenGbk), kPizhurenUtf8 + "?" + kPizhurenUtf8);

  // Broken UTF-8: a stray continuation, a truncated sequence, an overlong '/'.
  EXPECT_EQ(cp.FromUtf8("a\x80" "b"), "a?b");
  EXPECT_EQ(cp.FromUtf8("a\xE6\x89"), "a?");
  EXPECT_EQ(cp.FromUtf8("\xC0\xAF"), "??");

  std::string noise;
  for (int i = 0; i < 20000; ++i) noise += static_cast<char>(0x80 + i % 128);
  EXPECT_FALSE(cp.ToUtf8(noise).empty());
  EXPECT_FALSE(cp.FromUtf8(noise).empty());
}

TEST(IconvCodePage, AMissingCharsetStillPassesAscii) {
  IconvCodePage cp("NO-SUCH-CHARSET-936");
  EXPECT_EQ(cp.ToUtf8("a.doc" + kPizhurenGbk), "a.doc??????");
  EXPECT_EQ(cp.FromUtf8("a.doc"), "a.doc");
  // The system code page is one shared GBK converter.
  EXPECT_EQ(&SystemCodePage(), &SystemCodePage());
  EXPECT_EQ(SystemCodePage().ToUtf8(kPizhurenGbk), kPizhurenUtf8);
}

}  // namespace
}  // namespace kit::posix
