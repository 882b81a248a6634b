#pragma once
// Finding an attribute in the text of a start tag (or of a processing instruction such as the
// XML declaration). Values may be quoted with double quotes or apostrophes, or unquoted.
#include <cstddef>
#include <string_view>

struct xml_attribute {
  bool found = false;
  bool has_value = false;  // written with "=" (name="v", name=v or name=)
  size_t value_begin = 0;  // the value as written, quotes included: [value_begin, value_end)
  size_t value_end = 0;    // both equal the end of the name for an attribute without value
  size_t raw_begin = 0;    // the value without its quotes: [raw_begin, raw_end)
  size_t raw_end = 0;
  size_t insert_at = 0;  // just after the last attribute (or the tag name): where a new one goes
};

// Looks for `name` (compared exactly) in `tag`, starting at `first`, the offset just after the
// tag's name. Offsets in the result are relative to `tag`.
xml_attribute xml_find_attribute(std::u16string_view tag, std::u16string_view name, size_t first);

// The offset just after the element name of a start tag "<name ...".
size_t xml_tag_name_end(std::u16string_view tag);
