// Escape-sequence decoding for the keys of xterm-compatible terminals and the Linux console.
#include "platform/key_decoder.h"

namespace orvanel::platform {
namespace {

constexpr unsigned char kEsc = 27;
// Larger parameters mean no key the editor knows; capping keeps the arithmetic in range.
constexpr unsigned kParameterCap = 1000;

Key key_of(KeyKind kind) { return Key{kind, 0}; }

Key ground_key(unsigned char byte) {
  switch (byte) {
    case '\r':
    case '\n':
      return key_of(KeyKind::kEnter);
    case '\t':
      return key_of(KeyKind::kTab);
    case 127:
    case '\b':
      return key_of(KeyKind::kBackspace);
    default:
      if (byte < 32) return key_of(KeyKind::kIgnored);
      return Key{KeyKind::kCharacter, byte};
  }
}

// Final bytes shared by the ESC [ and ESC O forms.
KeyKind cursor_key(unsigned char final_byte) {
  switch (final_byte) {
    case 'A':
      return KeyKind::kUp;
    case 'B':
      return KeyKind::kDown;
    case 'C':
      return KeyKind::kRight;
    case 'D':
      return KeyKind::kLeft;
    case 'H':
      return KeyKind::kHome;
    case 'F':
      return KeyKind::kEnd;
    default:
      return KeyKind::kIgnored;
  }
}

// ESC [ n ~ : the editing keypad. Modifier parameters after ';' do not change the key.
KeyKind tilde_key(unsigned number) {
  switch (number) {
    case 1:
    case 7:
      return KeyKind::kHome;
    case 4:
    case 8:
      return KeyKind::kEnd;
    case 3:
      return KeyKind::kDelete;
    default:
      return KeyKind::kIgnored;  // Insert, Page Up/Down, function keys
  }
}

}  // namespace

std::optional<Key> KeyDecoder::finish(Key key) {
  state_ = State::kGround;
  return key;
}

std::optional<Key> KeyDecoder::feed(unsigned char byte) {
  switch (state_) {
    case State::kGround:
      if (byte == kEsc) {
        state_ = State::kEscape;
        return std::nullopt;
      }
      return ground_key(byte);

    case State::kEscape:
      if (byte == '[') {
        state_ = State::kControlSequence;
        first_parameter_ = 0;
        in_first_parameter_ = true;
        has_parameters_ = false;
        return std::nullopt;
      }
      if (byte == 'O') {
        state_ = State::kSingleShift;
        return std::nullopt;
      }
      // A second Esc means the first was pressed alone; the second may still begin a sequence.
      if (byte == kEsc) return key_of(KeyKind::kEscape);
      return finish(key_of(KeyKind::kIgnored));  // Alt with a key

    case State::kControlSequence:
      if (byte == '[' && !has_parameters_) {
        state_ = State::kConsoleFunctionKey;  // the Linux console's ESC [ [ A .. E
        return std::nullopt;
      }
      if (byte >= '0' && byte <= '9') {
        has_parameters_ = true;
        if (in_first_parameter_) {
          first_parameter_ = first_parameter_ * 10 + (byte - '0');
          if (first_parameter_ > kParameterCap) first_parameter_ = kParameterCap;
        }
        return std::nullopt;
      }
      if (byte >= 0x20 && byte <= 0x3F) {  // separators, private markers, intermediates
        has_parameters_ = true;
        in_first_parameter_ = false;
        return std::nullopt;
      }
      if (byte >= 0x40 && byte <= 0x7E) {
        return finish(key_of(byte == '~' ? tilde_key(first_parameter_) : cursor_key(byte)));
      }
      return finish(key_of(KeyKind::kIgnored));  // a broken sequence goes as one ignored key

    case State::kConsoleFunctionKey:
      return finish(key_of(KeyKind::kIgnored));

    case State::kSingleShift:
      if (byte >= 0x20 && byte <= 0x3F) return std::nullopt;  // modifier parameters
      if (byte >= 0x40 && byte <= 0x7E) return finish(key_of(cursor_key(byte)));
      return finish(key_of(KeyKind::kIgnored));
  }
  return std::nullopt;
}

std::optional<Key> KeyDecoder::expire() {
  switch (state_) {
    case State::kGround:
      return std::nullopt;
    case State::kEscape:
      return finish(key_of(KeyKind::kEscape));
    default:
      return finish(key_of(KeyKind::kIgnored));
  }
}

}  // namespace orvanel::platform
