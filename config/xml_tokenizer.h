#pragma once
// Splitting XML text into nodes: text, white space, tags, processing instructions, comments,
// CDATA sections and document type declarations. The tokenizer is lenient: it never fails, it
// names what is wrong and says how far to skip, so the parser can index any text at all.
#include <cstddef>
#include <string_view>

enum class xml_node_kind {
  text,
  whitespace,
  start_tag,
  empty_tag,  // a start tag closed by "/>"
  end_tag,
  processing_instruction,
  comment,
  cdata_section,
  doctype,
  error,  // markup that is not well formed; `length` says how much to skip
};

enum class xml_syntax_error {
  none,
  first_tag_syntax,
  exclamation_tag_syntax,
  comment_tag_syntax,
  cdata_section_syntax,
  doctype_tag_syntax,
  unterminated_tag_syntax,
};

struct xml_node {
  xml_node_kind kind = xml_node_kind::text;
  size_t length = 0;  // never 0 while text remains
  xml_syntax_error error = xml_syntax_error::none;
};

// The node that starts at `position` (which must be before the end of `text`).
xml_node xml_next_node(std::u16string_view text, size_t position);

// The four characters XML files treat as white space: tab, line feed, carriage return, blank.
bool xml_is_space(char16_t c);

// Length of the element name that starts at `position`: up to white space or one of
// ! " ' / ; < = > ? backslash.
size_t xml_name_length(std::u16string_view text, size_t position);
