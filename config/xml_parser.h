#pragma once
// Turning a text into the element index of an xml_document, and telling whether it is well
// formed. Any text is indexed: unended start tags, stray end tags and bad markup are noted in the
// result log and make the text ill formed, but never stop the parse.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/xml_document.h"

// Texts are addressed with 32-bit offsets; a longer one is not taken.
inline constexpr size_t xml_longest_text = 0xFFFFFFF0u;

// Replaces `elements` by the index of `text` (record 0 for the document itself). Returns whether
// the text is well formed: nothing wrong was met and there is exactly one top-level element.
bool xml_parse(std::u16string_view text, std::vector<xml_document::element_record>& elements,
               std::u16string& result_log);

// Links `element` as the last child of `parent` (0 = the top level).
void xml_append_child(std::vector<xml_document::element_record>& elements, uint32_t parent,
                      uint32_t element);
