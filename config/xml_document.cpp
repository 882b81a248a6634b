#include "config/xml_document.h"

#include <algorithm>

#include "config/xml_parser.h"
#include "config/xml_references.h"
#include "config/xml_result_log.h"
#include "config/xml_tag.h"
#include "config/xml_tokenizer.h"

xml_document::xml_document() : elements_(1) {}

xml_document::~xml_document() = default;

bool xml_document::set_document(std::u16string_view text) {
  result_log_.clear();
  if (text.size() > xml_longest_text) {
    xml_note(result_log_, u"text_too_long", {{u"length", xml_number_text(text.size())}});
    text = {};
  }
  text_.assign(text);
  bool well_formed = xml_parse(text_, elements_, result_log_);
  parent_ = current_ = child_ = 0;
  return well_formed;
}

bool xml_document::is_well_formed() const {
  const uint32_t top = elements_[0].first_child;
  return (elements_[0].flags & document_ill_formed) == 0 && top != 0 &&
         elements_[top].next_sibling == 0;
}

void xml_document::reset_main_position() { current_ = child_ = 0; }

void xml_document::reset_child_position() { child_ = 0; }

bool xml_document::into_element() {
  if (current_ == 0) return false;
  parent_ = current_;
  current_ = child_;
  child_ = 0;
  return true;
}

bool xml_document::out_of_element() {
  if (parent_ == 0) return false;
  child_ = current_;
  current_ = parent_;
  parent_ = elements_[parent_].parent;
  return true;
}

namespace {

// The first element from `from` on along the sibling chain whose name matches.
uint32_t find_sibling(const std::vector<xml_document::element_record>& elements,
                      std::u16string_view text, uint32_t from, std::u16string_view name) {
  for (uint32_t e = from; e != 0; e = elements[e].next_sibling) {
    if (name.empty()) return e;
    size_t begin = elements[e].start + 1;
    if (text.substr(begin, xml_name_length(text, begin)) == name) return e;
  }
  return 0;
}

}  // namespace

bool xml_document::find_element(std::u16string_view name) {
  uint32_t from = current_ ? elements_[current_].next_sibling : elements_[parent_].first_child;
  uint32_t found = find_sibling(elements_, text_, from, name);
  if (found == 0) return false;
  current_ = found;
  child_ = 0;
  return true;
}

bool xml_document::find_child_element(std::u16string_view name) {
  if (current_ == 0) {
    if (elements_[parent_].first_child == 0) return false;
    current_ = elements_[parent_].first_child;
    child_ = 0;
  }
  uint32_t from = child_ ? elements_[child_].next_sibling : elements_[current_].first_child;
  uint32_t found = find_sibling(elements_, text_, from, name);
  if (found == 0) return false;
  child_ = found;
  return true;
}

std::u16string xml_document::get_tag_name(uint32_t position) const {
  if (position == 0 || position >= elements_.size()) return {};
  size_t begin = elements_[position].start + 1;
  return std::u16string(std::u16string_view(text_).substr(begin, xml_name_length(text_, begin)));
}

std::u16string xml_document::get_attribute(uint32_t position, std::u16string_view name) const {
  if (position == 0 || position >= elements_.size()) return {};
  const element_record& e = elements_[position];
  std::u16string_view tag = std::u16string_view(text_).substr(e.start, e.start_tag_length);
  xml_attribute attribute = xml_find_attribute(tag, name, xml_tag_name_end(tag));
  if (!attribute.found) return {};
  return xml_decode_references(
      tag.substr(attribute.raw_begin, attribute.raw_end - attribute.raw_begin));
}

std::u16string xml_document::get_data(uint32_t position) const {
  if (position == 0 || position >= elements_.size()) return {};
  const element_record& e = elements_[position];
  if (e.first_child != 0 || e.end_tag_length == 0) return {};
  std::u16string_view content = std::u16string_view(text_).substr(
      e.start + e.start_tag_length, e.length - e.start_tag_length - e.end_tag_length);
  if (content.find(u'<') == std::u16string_view::npos) return xml_decode_references(content);
  std::u16string data;
  for (size_t i = 0; i < content.size();) {
    xml_node node = xml_next_node(content, i);
    std::u16string_view piece = content.substr(i, node.length);
    switch (node.kind) {
      case xml_node_kind::text:
      case xml_node_kind::whitespace:
      case xml_node_kind::error:
        data += xml_decode_references(piece);
        break;
      case xml_node_kind::cdata_section: {
        // "<![CDATA[" ... "]]>"
        size_t body = std::min<size_t>(9, piece.size() - 3);
        data += piece.substr(body, piece.size() - 3 - body);
        break;
      }
      default:
        break;  // comments and processing instructions are not data
    }
    i += node.length;
  }
  return data;
}

std::u16string xml_document::get_subdocument(uint32_t position) const {
  if (position == 0 || position >= elements_.size()) return {};
  const element_record& e = elements_[position];
  return std::u16string(std::u16string_view(text_).substr(e.start, e.length));
}
