#pragma once
// The in-memory XML document every settings node reads and writes its section through.
//
// The whole document is one UTF-16 text beside an index of its elements. Edits change the text
// in place and shift the index, so writing the document is writing its text: nothing a user
// wrote by hand (comments, spacing, unknown elements) is lost by loading and saving a file.
// Three positions select where reads and edits happen: the parent (the level being walked), the
// current element on that level, and a selected child of the current element. Positions are
// element indexes; 0 means the top level (parent) or none (current, child).
//
// No operation throws: navigation that finds nothing returns false and moves nothing, reads of
// missing things give empty strings, and refused edits change nothing.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Flags of add_element.
inline constexpr uint32_t xml_add_before = 0x2000;  // before the reference element / first child
inline constexpr uint32_t xml_add_child = 0x4000;   // as a child of the current element

// Document flags that ask write_file for a byte-order mark (load_file sets the one it met).
inline constexpr uint32_t xml_utf16le_file = 0x1;
inline constexpr uint32_t xml_utf8_preamble = 0x4;
inline constexpr uint32_t xml_utf16be_file = 0x80;

class xml_document {
 public:
  xml_document();
  ~xml_document();
  xml_document(const xml_document&) = default;
  xml_document& operator=(const xml_document&) = default;

  // Replaces the whole text (empty for none), empties the result log, parses it and resets every
  // position. True when the text is well formed; an empty text is not (it has no top element).
  bool set_document(std::u16string_view text = {});

  // Reads a file (UTF-8 path), detects its encoding, converts it to UTF-16 and parses it. False
  // when the file cannot be read (the document is then empty) or is not well formed (its text and
  // index stay, so it can still be inspected).
  bool load_file(const std::string& path);

  // Writes `text` to `path` in the encoding that `flags` ask for (a byte-order mark) or the text
  // declares, UTF-8 when neither. The file is replaced atomically with mode 0600: on any failure
  // the previous file stays as it was. Notes go to `result_log`; `flags` is read and may be
  // updated. True only when the whole text reached the disk.
  static bool write_file(std::u16string_view text, std::u16string& result_log,
                         const std::string& path, uint32_t& flags);

  // The document's own text, log and flags (what write_file is given to save this document).
  const std::u16string& get_document() const { return text_; }
  std::u16string& result_log() { return result_log_; }
  const std::u16string& result_log() const { return result_log_; }
  uint32_t& document_flags() { return document_flags_; }
  uint32_t document_flags() const { return document_flags_; }

  // Whether the last parsed text had nothing wrong and the document has exactly one top element.
  bool is_well_formed() const;

  // Navigation.
  void reset_main_position();   // current = 0, child = 0: the next find starts at the level's first
  void reset_child_position();  // child = 0: the next find_child_element starts at the first child
  bool into_element();          // parent = current, current = child, child = 0
  bool out_of_element();        // child = current, current = parent, parent = its parent
  // The next element of the parent's level after the current one whose name equals `name`
  // exactly; an empty name matches any element.
  bool find_element(std::u16string_view name = {});
  // The next child of the current element after the child position with that name (selects the
  // level's first element as current first when there is none).
  bool find_child_element(std::u16string_view name = {});

  uint32_t parent_position() const { return parent_; }
  uint32_t current_position() const { return current_; }
  uint32_t child_position() const { return child_; }

  // Reads. An empty string when `position` is not an element or the thing is absent.
  std::u16string get_tag_name(uint32_t position) const;
  std::u16string get_attribute(uint32_t position, std::u16string_view name) const;
  // The element's character data with references decoded; empty for an element with children.
  std::u16string get_data(uint32_t position) const;
  // The element's own text, start tag to end tag, exactly as it stands in the document.
  std::u16string get_subdocument(uint32_t position) const;

  // Edits.
  bool set_attribute(uint32_t position, std::u16string_view name, std::u16string_view value,
                     uint32_t flags = 0);
  // Adds an element on its own line (CR LF), with `value` as its text (an empty element when the
  // value is empty): after the current element, or as set by `flags`.
  bool add_element(std::u16string_view name, std::u16string_view value = {}, uint32_t flags = 0);
  // Adds a whole element given as text (for instance one kept from get_subdocument) where
  // add_element would put a new one, on its own line. Only the element itself is taken (white
  // space or comments around it are not). False, with nothing changed, when `text` is not one
  // well-formed element.
  bool add_subdocument(std::u16string_view text, uint32_t flags = 0);

  // One element of the index. Offsets and lengths are in UTF-16 units of the text.
  struct element_record {
    uint32_t start = 0;   // offset of the element's "<"
    uint32_t length = 0;  // start tag to the end of the end tag
    uint32_t start_tag_length = 0;
    uint32_t end_tag_length = 0;    // 0 for an empty element or one without end tag
    uint32_t flags = 0;             // element_* below
    uint32_t parent = 0;            // 0 = top level
    uint32_t first_child = 0;       // 0 = none
    uint32_t next_sibling = 0;      // 0 = last
    uint32_t previous_sibling = 0;  // for the first child: the last child (appending is O(1))
  };
  static constexpr uint32_t element_first_child = 0x1;
  static constexpr uint32_t element_unended = 0x2;      // start tag without end tag
  static constexpr uint32_t element_ill_closed = 0x4;   // its end tag closed unended elements
  static constexpr uint32_t document_ill_formed = 0x8;  // on record 0 only

  // The element index; record 0 stands for the document (its first child is the top element).
  const std::vector<element_record>& elements() const { return elements_; }

 private:
  std::u16string text_;
  std::u16string result_log_;
  uint32_t parent_ = 0;
  uint32_t current_ = 0;
  uint32_t child_ = 0;
  uint32_t document_flags_ = 0;
  std::vector<element_record> elements_;
};
