#pragma once
// The result log: short notes, one empty element per event, that parsing and the file operations
// leave behind for whoever inspects a document. It stops growing at 1000 characters.
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

using xml_note_attribute = std::pair<std::u16string_view, std::u16string>;

// Appends <event name="value" .../> unless the log already holds 1000 characters or more.
void xml_note(std::u16string& log, std::u16string_view event,
              std::initializer_list<xml_note_attribute> attributes = {});

// A number as decimal text, for note attributes.
std::u16string xml_number_text(size_t value);
