// Edits of an xml_document: they change the one text in place and keep the element index
// describing it exactly, so positions a caller holds stay valid across edits.
#include <limits>

#include "config/xml_document.h"
#include "config/xml_parser.h"
#include "config/xml_references.h"
#include "config/xml_tag.h"
#include "config/xml_tokenizer.h"

namespace {

using record = xml_document::element_record;
using records = std::vector<record>;

// Replaces `erase` units at `offset` by `insertion`. The text grows with spare room so that a
// whole document built by successive insertions is not copied again at every step.
void replace_text(std::u16string& text, size_t offset, size_t erase,
                  std::u16string_view insertion) {
  size_t needed = text.size() - erase + insertion.size();
  if (needed > text.capacity()) text.reserve(needed + needed / 2 + 128);
  text.replace(offset, erase, insertion);
}

void shift_subtree(records& elements, uint32_t root, int64_t delta) {
  uint32_t e = root;
  while (true) {
    elements[e].start = uint32_t(elements[e].start + delta);
    if (elements[e].first_child != 0) {
      e = elements[e].first_child;
      continue;
    }
    while (e != root && elements[e].next_sibling == 0) e = elements[e].parent;
    if (e == root) return;
    e = elements[e].next_sibling;
  }
}

// After the text changed by `delta` units at `offset`, inside `container` (the innermost element
// holding the change, 0 for the top level): every element after the change moves, and the
// container and its ancestors grow. Only elements after the change are visited, so an edit at
// the end of a document (where a save adds everything) costs its depth, not its size.
void adjust_index(records& elements, uint32_t container, uint32_t offset, int64_t delta) {
  if (uint32_t first = elements[container].first_child; first != 0) {
    for (uint32_t c = elements[first].previous_sibling; elements[c].start >= offset;
         c = elements[c].previous_sibling) {
      shift_subtree(elements, c, delta);
      if (c == first) break;
    }
  }
  for (uint32_t x = container; x != 0; x = elements[x].parent) {
    elements[x].length = uint32_t(elements[x].length + delta);
    for (uint32_t s = elements[x].next_sibling; s != 0; s = elements[s].next_sibling) {
      shift_subtree(elements, s, delta);
    }
  }
  elements[0].length = uint32_t(elements[0].length + delta);
}

void link_after(records& elements, uint32_t reference, uint32_t element) {
  uint32_t parent = elements[reference].parent;
  uint32_t next = elements[reference].next_sibling;
  elements[element].parent = parent;
  elements[element].previous_sibling = reference;
  elements[element].next_sibling = next;
  elements[reference].next_sibling = element;
  if (next != 0)
    elements[next].previous_sibling = element;
  else
    elements[elements[parent].first_child].previous_sibling = element;
}

void link_before(records& elements, uint32_t reference, uint32_t element) {
  uint32_t parent = elements[reference].parent;
  elements[element].parent = parent;
  elements[element].next_sibling = reference;
  if (elements[parent].first_child == reference) {
    elements[element].previous_sibling = elements[reference].previous_sibling;
    elements[element].flags |= xml_document::element_first_child;
    elements[reference].flags &= ~xml_document::element_first_child;
    elements[parent].first_child = element;
  } else {
    uint32_t previous = elements[reference].previous_sibling;
    elements[previous].next_sibling = element;
    elements[element].previous_sibling = previous;
  }
  elements[reference].previous_sibling = element;
}

// A name add_element can write so that it reads back as the same element.
bool writable_name(std::u16string_view name) {
  if (name.empty() || xml_name_length(name, 0) != name.size()) return false;
  char16_t c = name[0];
  return (c >= u'A' && c <= u'Z') || c == u':' || c == u'_' || c > u'`';
}

// An element to insert: its text and its own index (record 0 unused, record 1 the element,
// offsets relative to the text).
struct fragment {
  std::u16string text;
  records elements;
};

// Inserts `piece` where add_element puts a new element and grafts its records into the index.
bool insert_fragment(std::u16string& text, records& elements, uint32_t& parent_position,
                     uint32_t& current_position, uint32_t& child_position, const fragment& piece,
                     uint32_t flags) {
  const bool as_child = flags & xml_add_child;
  const bool before = flags & xml_add_before;
  if (as_child && current_position == 0) return false;
  const uint32_t parent = as_child ? current_position : parent_position;
  const uint32_t reference = as_child ? child_position : current_position;
  const record& p = elements[parent];
  // An element without end tag owns no content: what follows its start tag belongs to its parent.
  if (p.flags & xml_document::element_unended) return false;

  std::u16string insertion;
  size_t offset = 0;  // where the text changes
  size_t erase = 0;
  size_t element_start = 0;  // where the new element lands
  size_t parent_name_length = 0;
  const bool parent_has_nothing = parent != 0 && reference == 0 && p.first_child == 0;
  const bool parent_is_empty = parent_has_nothing && p.end_tag_length == 0;
  if (parent_is_empty) {
    // "<a/>": its slash becomes ">", the new line, and "</a" closed by the old ">".
    parent_name_length = xml_name_length(text, p.start + 1);
    std::u16string_view name = std::u16string_view(text).substr(p.start + 1, parent_name_length);
    offset = p.start + p.start_tag_length - 2;
    erase = 1;
    insertion.append(u">\r\n").append(piece.text).append(u"\r\n</").append(name);
    element_start = offset + 3;
  } else if (parent_has_nothing && p.end_tag_length != 0 &&
             p.length == p.start_tag_length + p.end_tag_length) {
    offset = p.start + p.start_tag_length;
    insertion.append(u"\r\n").append(piece.text).append(u"\r\n");
    element_start = offset + 2;
  } else {
    if (reference != 0) {
      offset = elements[reference].start + (before ? 0 : elements[reference].length);
    } else if (parent == 0) {
      offset = before ? 0 : text.size();
    } else {
      offset = p.start + (before ? p.start_tag_length : p.length - p.end_tag_length);
    }
    size_t k = offset;
    while (k < text.size() && xml_is_space(text[k])) ++k;
    if (k == text.size() || text[k] == u'<') offset = k;
    insertion.append(piece.text).append(u"\r\n");
    element_start = offset;
  }
  const int64_t delta = int64_t(insertion.size()) - int64_t(erase);
  if (text.size() + delta > xml_longest_text ||
      elements.size() + piece.elements.size() > std::numeric_limits<uint32_t>::max()) {
    return false;
  }

  replace_text(text, offset, erase, insertion);
  if (parent_is_empty) {
    elements[parent].start_tag_length -= 1;
    elements[parent].end_tag_length = uint32_t(parent_name_length + 3);  // "</a>"
  }
  adjust_index(elements, parent, uint32_t(offset), delta);

  // Graft: fragment record i becomes base + i - 1.
  const uint32_t base = uint32_t(elements.size());
  auto map = [base](uint32_t i) { return i == 0 ? 0 : base + i - 1; };
  for (size_t i = 1; i < piece.elements.size(); ++i) {
    record r = piece.elements[i];
    r.start += uint32_t(element_start);
    r.parent = map(r.parent);
    r.first_child = map(r.first_child);
    r.next_sibling = map(r.next_sibling);
    r.previous_sibling = map(r.previous_sibling);
    elements.push_back(r);
  }
  const uint32_t added = base;
  elements[added].flags &= ~xml_document::element_first_child;
  if (reference != 0) {
    if (before)
      link_before(elements, reference, added);
    else
      link_after(elements, reference, added);
  } else if (before && elements[parent].first_child != 0) {
    link_before(elements, elements[parent].first_child, added);
  } else {
    xml_append_child(elements, parent, added);
  }

  if (as_child) {
    child_position = added;
  } else {
    current_position = added;
    child_position = 0;
  }
  return true;
}

}  // namespace

bool xml_document::add_element(std::u16string_view name, std::u16string_view value,
                               uint32_t flags) {
  if (!writable_name(name)) return false;
  fragment piece;
  piece.text.append(u"<").append(name);
  record r;
  if (value.empty()) {
    piece.text.append(u"/>");
    r.start_tag_length = uint32_t(piece.text.size());
  } else {
    piece.text.append(u">");
    r.start_tag_length = uint32_t(piece.text.size());
    xml_append_escaped(piece.text, value, false);
    piece.text.append(u"</").append(name).append(u">");
    r.end_tag_length = uint32_t(name.size() + 3);
  }
  r.length = uint32_t(piece.text.size());
  piece.elements = {record{}, r};
  return insert_fragment(text_, elements_, parent_, current_, child_, piece, flags);
}

bool xml_document::add_subdocument(std::u16string_view text, uint32_t flags) {
  if (text.size() > xml_longest_text) return false;
  fragment piece;
  std::u16string log;
  if (!xml_parse(text, piece.elements, log)) return false;
  const record& top = piece.elements[piece.elements[0].first_child];
  const uint32_t begin = top.start;
  piece.text.assign(text.substr(begin, top.length));
  for (size_t i = 1; i < piece.elements.size(); ++i) piece.elements[i].start -= begin;
  return insert_fragment(text_, elements_, parent_, current_, child_, piece, flags);
}

bool xml_document::set_attribute(uint32_t position, std::u16string_view name,
                                 std::u16string_view value, uint32_t /*flags*/) {
  if (position == 0 || position >= elements_.size() || !writable_name(name)) return false;
  const element_record& e = elements_[position];
  std::u16string_view tag = std::u16string_view(text_).substr(e.start, e.start_tag_length);
  xml_attribute attribute = xml_find_attribute(tag, name, xml_tag_name_end(tag));

  std::u16string quoted = u"\"";
  xml_append_escaped(quoted, value, true);
  quoted += u'"';
  std::u16string insertion;
  size_t offset, erase = 0;
  if (attribute.found && attribute.has_value) {
    offset = attribute.value_begin;
    erase = attribute.value_end - attribute.value_begin;
    insertion = quoted;
  } else if (attribute.found) {
    offset = attribute.value_end;
    insertion.append(u"=").append(quoted);
  } else {
    offset = attribute.insert_at;
    insertion.append(u" ").append(name).append(u"=").append(quoted);
  }
  const int64_t delta = int64_t(insertion.size()) - int64_t(erase);
  if (text_.size() + delta > xml_longest_text) return false;
  offset += e.start;
  replace_text(text_, offset, erase, insertion);
  elements_[position].start_tag_length = uint32_t(elements_[position].start_tag_length + delta);
  adjust_index(elements_, position, uint32_t(offset), delta);
  return true;
}
