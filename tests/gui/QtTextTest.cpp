#include "ui/common/QtText.h"

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

TEST(QtText, Utf8IsShownAsUtf8AndAnythingElseAsLatin1) {
  EXPECT_EQ(TextToQString("Caf\xC3\xA9"), QString::fromUtf8("Caf\xC3\xA9"));
  // A lone Latin-1 byte is no UTF-8: every byte stays visible as its Latin-1 character.
  EXPECT_EQ(TextToQString("Caf\xE9"), QString::fromLatin1("Caf\xE9"));
  EXPECT_EQ(TextToQString(std::string_view("a\0b", 3)).size(), 3);
  EXPECT_EQ(QStringToText(TextToQString("Caf\xC3\xA9")), "Caf\xC3\xA9");
}

TEST(QtText, ACutNeverSplitsACharacter) {
  const QString text = QString::fromUtf8("ab\xC3\xA9\xE2\x82\xAC");  // a b e-acute euro
  EXPECT_EQ(QStringToText(text, 3), "ab");
  EXPECT_EQ(QStringToText(text, 4), "ab\xC3\xA9");
  EXPECT_EQ(QStringToText(text, 6), "ab\xC3\xA9");
  EXPECT_EQ(QStringToText(text, 7), "ab\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(QStringToText(text, 0), "");
}

}  // namespace
}  // namespace mailmoat
