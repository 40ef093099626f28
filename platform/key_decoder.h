// Turns the bytes a terminal sends for key presses into keys, one whole escape sequence at a time.
#pragma once

#include <optional>

namespace orvanel::platform {

enum class KeyKind {
  kCharacter,  // a byte 32..126 or 128..255 that the line takes as it is
  kTab,
  kBackspace,
  kDelete,
  kLeft,
  kRight,
  kUp,
  kDown,
  kHome,
  kEnd,
  kEscape,  // Esc pressed alone
  kEnter,
  kIgnored,  // control bytes, Insert, Page Up/Down, function keys, Alt combinations
};

struct Key {
  KeyKind kind = KeyKind::kIgnored;
  unsigned char character = 0;  // the byte, for kCharacter

  friend bool operator==(const Key&, const Key&) = default;
};

// Fed one byte at a time, it yields a key once the bytes of one key are complete. An Esc byte
// may begin a sequence, so it stays pending until a following byte or `expire`, which the
// reader calls when nothing more arrived within a short time.
class KeyDecoder {
 public:
  std::optional<Key> feed(unsigned char byte);
  // Ends a pending sequence: Esc alone is the Esc key, a cut-off sequence an ignored key.
  std::optional<Key> expire();
  bool pending() const { return state_ != State::kGround; }

 private:
  enum class State { kGround, kEscape, kControlSequence, kConsoleFunctionKey, kSingleShift };

  std::optional<Key> finish(Key key);

  State state_ = State::kGround;
  unsigned first_parameter_ = 0;
  bool in_first_parameter_ = true;
  bool has_parameters_ = false;
};

}  // namespace orvanel::platform
