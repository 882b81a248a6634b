#pragma once
// The byte-driven state machine for the VT100 and xterm family of control sequences. It prints
// characters into the screen buffer, moves the cursor, erases and scrolls, keeps the SGR
// attribute, switches modes and queues the replies to device-attribute and status requests.
// UTF-8 is decoded; other bytes above 0x7F show through code page 437; ESC ( 0 selects the DEC
// special graphics.
//
// A well-formed sequence that is not supported (an escape or CSI final byte, a mode, a status
// request, an OSC number, a DCS, SOS, PM or APC string) is read to its end and dropped: it leaves
// nothing on the screen. CAN and SUB cancel a sequence in progress; DEL is ignored.
//
// Runs on the connection's worker with the screen mutex held; replies take the send queue's
// mutex inside it.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

class screen_buffer;
class send_queue;

// The view's flags that the parser writes and the GUI thread reads without a lock.
struct terminal_modes {
  std::atomic<bool> cursor_visible{true};   // CSI ?25
  std::atomic<bool> app_cursor_keys{false}; // CSI ?1, read when navigation keys are encoded
  std::atomic<bool> app_keypad{true};       // ESC = / ESC >; nothing reads it
};

class escape_parser {
 public:
  enum parser_state : int32_t {
    ground = 0,
    escape = 1,
    escape_percent = 2,
    escape_hash = 3,
    escape_g0 = 4,
    escape_g1 = 5,
    csi = 6,
    utf8 = 7,
    osc = 8,
    // A DCS, SOS, PM or APC string, discarded up to its terminator.
    dcs = 9,
    // ESC and intermediates (0x20-0x2F) of an unsupported escape sequence, up to its final byte.
    escape_intermediate = 10,
    // The rest of a CSI sequence that holds an intermediate or one of ':', '<', '=', up to its
    // final byte; no such sequence is supported.
    csi_ignore = 11,
  };

  static constexpr int max_params = 16;
  // Parameters saturate here instead of overflowing.
  static constexpr int32_t max_param_value = 65535;
  // OSC text past this many bytes is not kept (it is discarded anyway).
  static constexpr size_t max_osc_text = 4096;

  escape_parser(screen_buffer& screen, send_queue& replies, terminal_modes& modes);

  // The only entry: one received byte.
  void put_byte(uint8_t b);
  // The same as put_byte for each byte in order; printable ASCII runs and complete UTF-8
  // characters in the ground state skip the per-byte state machine.
  void put_bytes(const uint8_t* bytes, size_t n);

  // The session's terminal type (`session_appearance::console_type`); "xterm" is answered
  // for the secondary device attributes. The caller holds the screen mutex.
  void set_console_type(std::string type) { console_type = std::move(type); }

  screen_buffer* screen;
  send_queue* replies;
  terminal_modes* modes;
  std::string console_type;

  int32_t state = ground;
  // 1 ASCII, 0 DEC special graphics.
  int32_t g0_charset = 1;
  std::array<int32_t, max_params> params{};
  int32_t param_index = 0;
  // CSI private prefix: 0, '>' or '?'.
  uint8_t prefix = 0;
  std::array<uint8_t, 6> utf8_bytes{};
  int32_t utf8_count = 0;
  // The OSC number once its first digit is read; -1 none.
  int32_t osc_number = -1;
  uint8_t osc_semicolon = 0;
  std::string osc_text;

 private:
  size_t decode_utf8_run(const uint8_t*& p, const uint8_t* end, char16_t* units,
                         size_t room) const;
  // Reads CSI bytes from p on: parameters, separators and prefixes, then the final byte, whose
  // action runs. Returns where it stopped (after the final byte, or at end mid-sequence).
  const uint8_t* read_csi(const uint8_t* p, const uint8_t* end);
  // read_csi from the first byte after ESC [ for the common sequences, digits and ';' then a
  // final byte; SGR codes are applied as they are read, without the parameter array. At a
  // prefix, at more than max_params parameters or at end it enters the CSI state with the
  // parameters read so far and returns where read_csi goes on.
  const uint8_t* read_plain_csi(const uint8_t* p, const uint8_t* end);
  // The action of a CSI final byte (0x40-0x7E).
  void dispatch_csi(uint8_t b);
  // Any other byte inside a CSI sequence that is no digit, ';' or prefix. Returns true when the
  // sequence goes on as it was (a control code acted or was ignored).
  bool csi_inner_byte(uint8_t b);
  // The C0 controls the ground state acts on, and the ignored NUL, BEL, SO, SI, CAN, SUB and
  // DEL; returns false for any other byte.
  bool execute_control(uint8_t b);
  // A C0 control or DEL inside an escape sequence.
  void control_in_sequence(uint8_t b);
  // A byte of an unsupported sequence that is being skipped; `first_final` is the lowest final
  // byte (0x30 after ESC, 0x40 in a CSI).
  void skip_sequence_byte(uint8_t b, uint8_t first_final);
  // A byte from 0x80 up, which no sequence holds: the sequence ends and the byte is read again
  // from the ground state.
  void leave_sequence(uint8_t b);
  void print_byte(uint8_t b);
  void select_graphic_rendition();
  void set_mode(bool set, bool private_mode);
  void escape_byte(uint8_t b);
  void utf8_byte(uint8_t b);
  void osc_byte(uint8_t b);
  void dcs_byte(uint8_t b);
  void start_csi() {
    params.fill(0);
    param_index = 0;
    prefix = 0;
    state = csi;
  }
  void device_attributes();
  void device_status();
  void scroll_region();
  void reply(const char* bytes, size_t n);
  // p0 or 1 when it is 0.
  int32_t count_param() const { return params[0] == 0 ? 1 : params[0]; }
};
