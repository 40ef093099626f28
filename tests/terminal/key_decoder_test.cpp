// Key decoding: every byte and escape-sequence form a terminal sends, and the lone Esc.
#include "platform/key_decoder.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "case_name.h"

namespace orvanel::platform {

void PrintTo(const Key& key, std::ostream* out) {
  *out << "key " << static_cast<int>(key.kind) << " byte " << static_cast<int>(key.character);
}

namespace {

using K = KeyKind;

Key ch(char c) { return Key{K::kCharacter, static_cast<unsigned char>(c)}; }
Key key(K kind) { return Key{kind, 0}; }

struct DecodeCase {
  const char* name;
  // Each burst arrives at once; after it the terminal stays silent past the Esc timeout.
  std::vector<std::string> bursts;
  std::vector<Key> keys;
};

std::vector<Key> decode(const std::vector<std::string>& bursts) {
  KeyDecoder decoder;
  std::vector<Key> keys;
  for (const std::string& burst : bursts) {
    for (const char byte : burst) {
      if (const auto decoded = decoder.feed(static_cast<unsigned char>(byte))) {
        keys.push_back(*decoded);
      }
    }
    if (const auto decoded = decoder.expire()) keys.push_back(*decoded);
    EXPECT_FALSE(decoder.pending());
  }
  return keys;
}

class KeyDecoderTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(KeyDecoderTest, Decodes) { EXPECT_EQ(decode(GetParam().bursts), GetParam().keys); }

const DecodeCase kDecodeCases[] = {
    {"Printable", {"aZ~ 0"}, {ch('a'), ch('Z'), ch('~'), ch(' '), ch('0')}},
    {"HighBytes", {"\x80\xe9\xff"}, {ch('\x80'), ch('\xe9'), ch('\xff')}},
    {"EnterBothForms", {"\r\n"}, {key(K::kEnter), key(K::kEnter)}},
    {"Tab", {"\t"}, {key(K::kTab)}},
    {"BackspaceBothForms", {"\x7f\x08"}, {key(K::kBackspace), key(K::kBackspace)}},
    {"ControlBytesIgnored",
     {std::string("\x01\x04\x1a\x1c\0", 5)},
     {key(K::kIgnored), key(K::kIgnored), key(K::kIgnored), key(K::kIgnored), key(K::kIgnored)}},
    {"CursorKeysCsi",
     {"\x1b[A\x1b[B\x1b[C\x1b[D"},
     {key(K::kUp), key(K::kDown), key(K::kRight), key(K::kLeft)}},
    {"CursorKeysSs3",
     {"\x1bOA\x1bOB\x1bOC\x1bOD"},
     {key(K::kUp), key(K::kDown), key(K::kRight), key(K::kLeft)}},
    {"HomeForms",
     {"\x1b[H\x1b[1~\x1b[7~\x1bOH"},
     {key(K::kHome), key(K::kHome), key(K::kHome), key(K::kHome)}},
    {"EndForms",
     {"\x1b[F\x1b[4~\x1b[8~\x1bOF"},
     {key(K::kEnd), key(K::kEnd), key(K::kEnd), key(K::kEnd)}},
    {"Delete", {"\x1b[3~"}, {key(K::kDelete)}},
    {"ModifiersKeepTheKey",
     {"\x1b[1;5D\x1b[3;2~\x1bO5C"},
     {key(K::kLeft), key(K::kDelete), key(K::kRight)}},
    {"InsertPagesFunctionKeysIgnored",
     {"\x1b[2~\x1b[5~\x1b[6~\x1bOP\x1b[15~\x1b[24~\x1b[[A"},
     {key(K::kIgnored), key(K::kIgnored), key(K::kIgnored), key(K::kIgnored), key(K::kIgnored),
      key(K::kIgnored), key(K::kIgnored)}},
    {"LoneEscAfterSilence", {"\x1b", "a"}, {key(K::kEscape), ch('a')}},
    {"EscTwiceThenSequence", {"\x1b\x1b[D"}, {key(K::kEscape), key(K::kLeft)}},
    {"AltWithKeyIsOneIgnoredKey",
     {"\x1b"
      "ab"},
     {key(K::kIgnored), ch('b')}},
    {"CutOffSequenceIgnored", {"\x1b[", "a"}, {key(K::kIgnored), ch('a')}},
    {"BrokenSequenceIsOneKey",
     {"\x1b[1\x01"
      "a"},
     {key(K::kIgnored), ch('a')}},
    // 2^32 + 3 must not wrap around to the Delete key.
    {"HugeParameterIgnored", {"\x1b[4294967299~"}, {key(K::kIgnored)}},
};

INSTANTIATE_TEST_SUITE_P(Keys, KeyDecoderTest, testing::ValuesIn(kDecodeCases),
                         terminal_test::case_name<DecodeCase>);

}  // namespace
}  // namespace orvanel::platform
