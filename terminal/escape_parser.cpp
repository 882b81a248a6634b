#include "terminal/escape_parser.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "terminal/charset_tables.h"
#include "terminal/screen_buffer.h"
#include "terminal/send_queue.h"

namespace {

constexpr char16_t replacement_character = 0xFFFD;

bool is_continuation(uint8_t b) { return (b & 0xC0) == 0x80; }

// The number of bytes a UTF-8 lead byte (0xC0-0xFD) announces.
int utf8_length(uint8_t lead) {
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  if (lead < 0xF8) return 4;
  if (lead < 0xFC) return 5;
  return 6;
}

// A complete UTF-8 sequence as the one cell it fills. A cell holds one UTF-16 unit, so a
// character outside the BMP shows as U+FFFD, like an overlong form, a surrogate or the five- and
// six-byte forms.
char16_t utf8_unit(const uint8_t* bytes, int count) {
  if (count < 2 || count > 3) return replacement_character;
  uint32_t code = count == 2 ? bytes[0] & 0x1F : bytes[0] & 0x0F;
  for (int i = 1; i < count; ++i) code = (code << 6) | (bytes[i] & 0x3F);
  uint32_t least = count == 2 ? 0x80 : 0x800;
  if (code < least || (code >= 0xD800 && code <= 0xDFFF)) return replacement_character;
  return static_cast<char16_t>(code);
}

// The inner loop of a UTF-8 run: ASCII and two- and three-byte characters, decoded with masks
// rather than branches because mixed text makes the kind of the next character unpredictable.
// Needs three readable bytes; stops at anything else and returns the new unit count.
size_t decode_mixed_text(const uint8_t*& p, const uint8_t* end, char16_t* units, size_t count,
                         size_t room) {
  static constexpr uint8_t lead_length[16] = {1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 2, 2, 3, 0};
  static constexpr uint32_t lead_bits[4] = {0, 0x7F, 0x1F, 0x0F};
  static constexpr uint32_t lead_shift[4] = {0, 0, 6, 12};
  static constexpr uint32_t least[4] = {0, 0, 0x80, 0x800};
  const uint8_t* q = p;
  while (count < room && end - q >= 3) {
    uint32_t c = q[0];
    uint32_t b1 = q[1];
    uint32_t b2 = q[2];
    uint32_t length = lead_length[c >> 4];
    uint32_t two_or_more = 0u - uint32_t(length >= 2);
    uint32_t three = 0u - uint32_t(length >= 3);
    uint32_t broken = (((b1 & 0xC0) ^ 0x80) & two_or_more) | (((b2 & 0xC0) ^ 0x80) & three);
    if (length == 0 || c < 0x20 || c == 0x7F || broken != 0) break;
    uint32_t tail =
        (three & (((b1 & 0x3F) << 6) | (b2 & 0x3F))) | (two_or_more & ~three & (b1 & 0x3F));
    uint32_t code = ((c & lead_bits[length]) << lead_shift[length]) | tail;
    uint32_t invalid = uint32_t(code < least[length]) | uint32_t(code - 0xD800 < 0x800);
    units[count++] =
        static_cast<char16_t>(code + ((replacement_character - code) & (0u - invalid)));
    q += length;
  }
  p = q;
  return count;
}

// The end of the run of printable ASCII bytes (0x20-0x7E) that starts at p. Sixteen bytes are
// tested at once where the processor allows, so a short word costs no branch per byte.
const uint8_t* printable_run_end(const uint8_t* p, const uint8_t* end) {
#if defined(__SSE2__)
  const __m128i low = _mm_set1_epi8(0x1F);
  const __m128i high = _mm_set1_epi8(0x7F);
  while (end - p >= 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Signed compares: bytes from 0x80 up are negative and so fall below 0x20 too.
    __m128i outside = _mm_or_si128(_mm_cmpgt_epi8(low, bytes), _mm_cmpeq_epi8(bytes, low));
    outside = _mm_or_si128(outside, _mm_cmpeq_epi8(bytes, high));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(outside));
    if (mask != 0) return p + __builtin_ctz(mask);
    p += 16;
  }
#endif
  while (p < end && *p >= 0x20 && *p <= 0x7E) ++p;
  return p;
}

// What each SGR code does to the attribute: attribute = (attribute & keep) | add. Codes past the
// table, and those it leaves at keep = all and add = 0, are ignored.
struct rendition_step {
  uint32_t keep = ~0u;
  uint32_t add = 0;
};

// Every code of one or two digits has a step, so those need no bounds test.
constexpr std::array<rendition_step, 100> rendition_steps = [] {
  using a = cell_attribute;
  std::array<rendition_step, 100> steps{};
  steps[0] = {0, 0};
  steps[1] = {~0u, a::bold};
  steps[7] = {~0u, a::reverse};
  steps[27] = {~a::reverse, 0};
  for (int n = 0; n < 8; ++n) {
    steps[30 + n] = {~a::fg_color, a::foreground(n)};
    steps[40 + n] = {~a::bg_color, a::background(n)};
  }
  steps[38] = {~a::fg_color, a::fg_extended};
  steps[39] = {~(a::fg_color | a::fg_extended), 0};
  steps[49] = {~a::bg_color, 0};
  return steps;
}();

uint32_t with_rendition(uint32_t attribute, uint32_t code) {
  if (code >= rendition_steps.size()) return attribute;
  const rendition_step& step = rendition_steps[code];
  return (attribute & step.keep) | step.add;
}

}  // namespace

escape_parser::escape_parser(screen_buffer& screen, send_queue& replies, terminal_modes& modes)
    : screen(&screen), replies(&replies), modes(&modes) {}

void escape_parser::put_bytes(const uint8_t* bytes, size_t n) {
  const uint8_t* p = bytes;
  const uint8_t* end = bytes + n;
  // Decoded characters of a UTF-8 run, handed to the screen a batch at a time.
  char16_t units[256];
  while (p < end) {
    if (state == csi) {
      p = read_csi(p, end);
      continue;
    }
    if (state != ground) {
      put_byte(*p++);
      continue;
    }
    uint8_t b = *p;
    if (g0_charset == 1 && b >= 0x20 && b <= 0x7E) {
      const uint8_t* q = printable_run_end(p + 1, end);
      screen->put_ascii(reinterpret_cast<const char*>(p), q - p, end - p);
      p = q;
      continue;
    }
    if (b == 0x1B && end - p >= 2 && p[1] == '[') {
      p = read_plain_csi(p + 2, end);
      if (state == csi) p = read_csi(p, end);
      continue;
    }
    if (b >= 0xC0 && b <= 0xFD) {
      // Complete, unbroken sequences (and ASCII between them) go straight to the screen;
      // anything else is left to the state machine.
      size_t count = decode_utf8_run(p, end, units, std::size(units));
      if (count > 0) {
        screen->put_units(units, count);
        continue;
      }
    }
    put_byte(*p++);
  }
}

// Decodes printable ASCII and complete UTF-8 sequences from p on into at most `room` units and
// stops before anything else (controls, broken or cut sequences), advancing p past what it took.
size_t escape_parser::decode_utf8_run(const uint8_t*& p, const uint8_t* end, char16_t* units,
                                      size_t room) const {
  size_t count = 0;
  while (count < room && p < end) {
    if (g0_charset == 1) {
      count = decode_mixed_text(p, end, units, count, room);
      if (count == room || p == end) break;
    }
    uint8_t c = *p;
    if (c >= 0x20 && c <= 0x7E) {
      units[count++] = g0_charset == 1 ? char16_t(c) : dec_graphics_unit(c);
      ++p;
      continue;
    }
    if (c < 0xC0 || c > 0xFD) break;
    int length = utf8_length(c);
    if (end - p < length) break;
    int i = 1;
    while (i < length && is_continuation(p[i])) ++i;
    if (i < length) break;
    units[count++] = utf8_unit(p, length);
    p += length;
  }
  return count;
}

void escape_parser::put_byte(uint8_t b) {
  switch (state) {
    case ground:
      break;
    case escape:
      escape_byte(b);
      return;
    case escape_percent:
    case escape_hash:
    case escape_g1:
      state = ground;
      return;
    case escape_g0:
      g0_charset = b == '0' ? 0 : 1;
      state = ground;
      return;
    case csi:
      read_csi(&b, &b + 1);
      return;
    case utf8:
      utf8_byte(b);
      return;
    case osc:
      osc_byte(b);
      return;
    case dcs:
      dcs_byte(b);
      return;
    case escape_intermediate:
      skip_sequence_byte(b, 0x30);
      return;
    case csi_ignore:
      skip_sequence_byte(b, 0x40);
      return;
    default:
      state = ground;
      break;
  }
  if (b == 0x1B) {
    state = escape;
    return;
  }
  if (b == 0x9B) {
    start_csi();
    return;
  }
  if (execute_control(b)) return;
  if (b >= 0xC0 && b <= 0xFD) {
    utf8_bytes[0] = b;
    utf8_count = 1;
    state = utf8;
    return;
  }
  // Printable ASCII, the other C0 codes (shown as characters of their own code) and the bytes
  // above 0x7F that start no UTF-8 sequence.
  print_byte(b);
}

bool escape_parser::execute_control(uint8_t b) {
  switch (b) {
    case 0x00:
    case 0x07:
    case 0x0E:
    case 0x0F:
    // CAN and SUB only matter inside a sequence, which they cancel; DEL is a filler byte.
    case 0x18:
    case 0x1A:
    case 0x7F:
      return true;
    case 0x08:
      screen->move_cursor(screen_buffer::left, 1);
      return true;
    case 0x09:
      screen->tab_forward(1);
      return true;
    case 0x0A:
      screen->line_feed();
      return true;
    case 0x0D:
      screen->carriage_return();
      return true;
    default:
      return false;
  }
}

void escape_parser::control_in_sequence(uint8_t b) {
  // CAN and SUB cancel the sequence and ESC starts a new one. The controls that act in the
  // ground state act here too and the sequence goes on, as on a VT100; the other C0 codes would
  // print as characters in the ground state and are ignored here.
  if (b == 0x18 || b == 0x1A) {
    state = ground;
  } else if (b == 0x1B) {
    state = escape;
  } else {
    execute_control(b);
  }
}

void escape_parser::leave_sequence(uint8_t b) {
  state = ground;
  put_byte(b);
}

void escape_parser::skip_sequence_byte(uint8_t b, uint8_t first_final) {
  if (b < 0x20 || b == 0x7F) {
    control_in_sequence(b);
  } else if (b >= 0x80) {
    leave_sequence(b);
  } else if (b >= first_final) {
    state = ground;
  }
}

void escape_parser::print_byte(uint8_t b) {
  char16_t unit = b >= 0x80 ? cp437_unit(b) : g0_charset == 0 ? dec_graphics_unit(b) : char16_t(b);
  screen->put_char(unit);
}

void escape_parser::escape_byte(uint8_t b) {
  if (b < 0x20 || b == 0x7F) {
    control_in_sequence(b);
    return;
  }
  if (b >= 0x80) {
    leave_sequence(b);
    return;
  }
  state = ground;
  switch (b) {
    case '#':
      state = escape_hash;
      break;
    case '%':
      state = escape_percent;
      break;
    case '(':
      state = escape_g0;
      break;
    case ')':
      state = escape_g1;
      break;
    case '7':
      screen->save_cursor();
      break;
    case '8':
      screen->restore_cursor();
      break;
    case '=':
      modes->app_keypad = true;
      break;
    case '>':
      modes->app_keypad = false;
      break;
    case 'D':
      screen->line_feed();
      break;
    case 'E':
      screen->next_line();
      break;
    case 'M':
      screen->reverse_index();
      break;
    case 'P':
    // SOS, PM and APC strings are discarded like a DCS.
    case 'X':
    case '^':
    case '_':
      state = dcs;
      break;
    case ']':
      state = osc;
      break;
    case '[':
      start_csi();
      break;
    default:
      // Any other final byte is dropped; an intermediate byte leads to one, further on.
      if (b < 0x30) state = escape_intermediate;
      break;
  }
}

const uint8_t* escape_parser::read_csi(const uint8_t* p, const uint8_t* end) {
  // The parameter being read stays in a register until a separator or the final byte.
  int32_t index = param_index;
  int32_t value = params[index];
  uint8_t private_prefix = prefix;
  while (p < end) {
    uint8_t b = *p++;
    unsigned digit = b - unsigned('0');
    if (digit < 10) {
      // With the prefix '>' digits are ignored.
      if (private_prefix != '>')
        value = std::min(value * 10 + static_cast<int32_t>(digit), max_param_value);
      continue;
    }
    if (b == ';') {
      // Past the last parameter further semicolons are ignored.
      if (index < max_params - 1) {
        params[index++] = value;
        value = params[index];
      }
      continue;
    }
    if (b == '>' || b == '?') {
      private_prefix = b;
      continue;
    }
    params[index] = value;
    param_index = index;
    prefix = private_prefix;
    if (b >= 0x40 && b <= 0x7E) {
      dispatch_csi(b);
      return p;
    }
    if (!csi_inner_byte(b)) return p;
  }
  params[index] = value;
  param_index = index;
  prefix = private_prefix;
  return p;
}

bool escape_parser::csi_inner_byte(uint8_t b) {
  if (b < 0x20 || b == 0x7F) {
    control_in_sequence(b);
    return state == csi;
  }
  if (b < 0x40) {
    state = csi_ignore;
  } else {
    leave_sequence(b);
  }
  return false;
}

void escape_parser::dispatch_csi(uint8_t b) {
  state = ground;
  // With a private prefix most final bytes name other sequences than without one (xterm's
  // modifier-key setting "CSI > 4;2 m", the keyboard-protocol query "CSI ? u"): only the finals
  // that are read with their prefix, or mean the same with it, are acted on.
  if (prefix != 0 && !std::strchr("chlJKn", b)) return;
  int32_t p0 = params[0];
  int32_t n = count_param();
  switch (b) {
    case '@':
      screen->insert_chars(n);
      break;
    case 'A':
      screen->move_cursor(screen_buffer::up, n);
      break;
    case 'B':
    case 'e':
      screen->move_cursor(screen_buffer::down, n);
      break;
    case 'C':
    case 'a':
      screen->move_cursor(screen_buffer::right, n);
      break;
    case 'D':
      screen->move_cursor(screen_buffer::left, n);
      break;
    case 'E':
      screen->move_cursor(screen_buffer::down, n);
      screen->carriage_return();
      break;
    case 'F':
      screen->move_cursor(screen_buffer::up, n);
      screen->carriage_return();
      break;
    case 'G':
    case '`':
      screen->set_cursor(-1, p0 == 0 ? 0 : p0 - 1);
      break;
    case 'H':
    case 'f':
      screen->set_cursor(p0 == 0 ? 0 : p0 - 1, params[1] == 0 ? 0 : params[1] - 1);
      break;
    case 'I':
      screen->tab_forward(n);
      break;
    case 'J':
      screen->erase_display(p0 >= 1 && p0 <= 3 ? p0 : 0);
      break;
    case 'K':
      screen->erase_line(p0 >= 1 && p0 <= 2 ? p0 : 0);
      break;
    case 'L':
      screen->insert_lines(n);
      break;
    case 'M':
      screen->delete_lines(n);
      break;
    case 'P':
      screen->delete_chars(n);
      break;
    case 'X':
      screen->erase_chars(n);
      break;
    case 'Z':
      screen->back_tab(n);
      break;
    case 'c':
      device_attributes();
      break;
    case 'd':
      screen->set_cursor(p0 == 0 ? 0 : p0 - 1, -1);
      break;
    case 'h':
      set_mode(true, prefix == '?');
      break;
    case 'l':
      set_mode(false, prefix == '?');
      break;
    case 'm':
      select_graphic_rendition();
      break;
    case 'n':
      device_status();
      break;
    case 'r':
      scroll_region();
      break;
    case 's':
      screen->save_cursor();
      break;
    case 'u':
      screen->restore_cursor();
      break;
    default:
      break;
  }
}

void escape_parser::device_attributes() {
  if (prefix == 0) {
    reply("\x1b[?6c", 5);
  } else if (prefix == '>' && console_type == "xterm") {
    reply("\x1b[>0;276;0c", 11);
  }
}

void escape_parser::device_status() {
  if (params[0] == 5) {
    reply("\x1b[0n", 4);
  } else if (params[0] == 6) {
    int row = 0;
    int col = 0;
    screen->get_cursor(row, col);
    char text[32];
    int n = std::snprintf(text, sizeof text, "\x1b[%d;%dR", row + 1, col + 1);
    reply(text, static_cast<size_t>(std::clamp(n, 0, int(sizeof text) - 1)));
  }
}

void escape_parser::scroll_region() {
  int32_t rows = screen->rows;
  int32_t top = params[0] < 1 ? 0 : params[0] - 1;
  int32_t bottom = params[1] < 1 ? rows - 1 : params[1] - 1;
  // Any two rows of the screen make a region, a single row too.
  if (top >= 0 && top < rows && bottom >= 0 && bottom < rows) {
    screen->region_top = top;
    screen->region_bottom = bottom;
  }
}

void escape_parser::reply(const char* bytes, size_t n) {
  // A full queue refuses the reply; it is lost.
  replies->push(send_item::heap_buffer(std::string_view(bytes, n)));
}

void escape_parser::set_mode(bool set, bool private_mode) {
  for (int i = 0; i <= param_index; ++i) {
    int32_t mode = params[i];
    // Other modes are not supported and change nothing.
    if (!private_mode) {
      if (mode == 4) screen->insert_mode = set;
      continue;
    }
    switch (mode) {
      case 1:
        modes->app_cursor_keys = set;
        break;
      case 7:
        screen->autowrap = set;
        break;
      case 25:
        modes->cursor_visible = set;
        break;
      case 1049:
        screen->switch_alternate_screen(set);
        break;
      default:
        break;
    }
  }
}

const uint8_t* escape_parser::read_plain_csi(const uint8_t* p, const uint8_t* end) {
  params.fill(0);
  uint32_t attribute = screen->attribute;
  int32_t index = 0;
  // Parameters of at most two digits with their separator, a whole one per step, without a
  // branch on the number of digits; anything else is left to the byte loop below.
  while (end - p >= 3) {
    unsigned d0 = p[0] - unsigned('0');
    unsigned d1 = p[1] - unsigned('0');
    bool one = d0 < 10;
    bool two = one && d1 < 10;
    if (two && unsigned(p[2] - unsigned('0')) < 10) break;
    int32_t digits = int32_t(one) + int32_t(two);
    uint32_t code = two ? d0 * 10 + d1 : one ? d0 : 0;
    uint8_t separator = p[digits];
    if (separator != 'm' && (separator != ';' || index == max_params - 1)) break;
    p += digits + 1;
    attribute = with_rendition(attribute, code);
    if (separator == 'm') {
      screen->attribute = attribute;
      return p;
    }
    params[index++] = static_cast<int32_t>(code);
  }
  int32_t value = 0;
  while (p < end) {
    uint8_t b = *p;
    unsigned digit = b - unsigned('0');
    if (digit < 10) {
      value = std::min(value * 10 + static_cast<int32_t>(digit), max_param_value);
      ++p;
      continue;
    }
    // A prefix, a byte that is neither a separator nor a final byte, or more separators than
    // parameters.
    if (b == ';' ? index == max_params - 1 : b < 0x40 || b > 0x7E) break;
    ++p;
    // Each code acts on the attribute as it ends, in case this is SGR; it is kept only then.
    if (b == ';' || b == 'm') attribute = with_rendition(attribute, static_cast<uint32_t>(value));
    if (b == 'm') {
      screen->attribute = attribute;
      return p;
    }
    if (b == ';') {
      params[index++] = value;
      value = 0;
      continue;
    }
    params[index] = value;
    param_index = index;
    prefix = 0;
    dispatch_csi(b);
    return p;
  }
  // Any of those, or the end: the general CSI reader goes on with the parameters read so far.
  params[index] = value;
  param_index = index;
  prefix = 0;
  state = csi;
  return p;
}

void escape_parser::select_graphic_rendition() {
  uint32_t attribute = screen->attribute;
  for (int i = 0; i <= param_index; ++i)
    attribute = with_rendition(attribute, static_cast<uint32_t>(params[i]));
  screen->attribute = attribute;
}

void escape_parser::utf8_byte(uint8_t b) {
  if (is_continuation(b)) {
    if (utf8_count == static_cast<int32_t>(utf8_bytes.size())) {
      state = ground;
      return;
    }
    utf8_bytes[utf8_count++] = b;
    if (utf8_bytes[0] & (0x80 >> utf8_count)) return;
    state = ground;
    screen->put_char(utf8_unit(utf8_bytes.data(), utf8_count));
    return;
  }
  // A broken sequence: the lead byte shows through code page 437 and everything after it is
  // read again from the ground state.
  std::array<uint8_t, 6> again{};
  int count = 0;
  for (int i = 1; i < utf8_count; ++i) again[count++] = utf8_bytes[i];
  again[count++] = b;
  state = ground;
  print_byte(utf8_bytes[0]);
  for (int i = 0; i < count; ++i) put_byte(again[i]);
}

void escape_parser::osc_byte(uint8_t b) {
  // CAN and SUB cancel the string; ESC ends it and starts an escape sequence, so the terminator
  // ESC \ is read as an escape sequence that does nothing.
  if (b == 0x18 || b == 0x1A || b == 0x1B || b == 0x07) {
    osc_number = -1;
    osc_semicolon = 0;
    osc_text.clear();
    state = b == 0x1B ? escape : ground;
    return;
  }
  if (!osc_semicolon) {
    unsigned digit = b - unsigned('0');
    if (digit < 10) {
      osc_number = std::min((osc_number < 0 ? 0 : osc_number) * 10 + int32_t(digit),
                            max_param_value);
    } else if (b == ';' && osc_number >= 0) {
      osc_semicolon = 1;
    } else {
      // Not an OSC of the form number ';' text: it ends here and the byte is dropped.
      osc_number = -1;
      state = ground;
    }
    return;
  }
  // Window and icon titles (0, 1, 2) and every other OSC are read and dropped: none is used.
  if (osc_text.size() < max_osc_text) osc_text.push_back(static_cast<char>(b));
}

void escape_parser::dcs_byte(uint8_t b) {
  // The string runs to ST (ESC \), read as an escape sequence that does nothing; CAN and SUB
  // cancel it.
  if (b == 0x1B) {
    state = escape;
  } else if (b == 0x18 || b == 0x1A) {
    state = ground;
  }
}
