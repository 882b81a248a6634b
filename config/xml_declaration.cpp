#include "config/xml_declaration.h"

#include "config/text_convert.h"
#include "config/xml_tag.h"
#include "config/xml_tokenizer.h"

namespace {

bool equal_ignoring_case(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && lower_ascii(a) == lower_ascii(b);
}

std::u16string_view attribute_value(std::u16string_view tag, std::u16string_view name,
                                    size_t first) {
  xml_attribute attribute = xml_find_attribute(tag, name, first);
  if (!attribute.found) return {};
  return tag.substr(attribute.raw_begin, attribute.raw_end - attribute.raw_begin);
}

std::u16string_view tag_name(std::u16string_view text, size_t position, size_t skip) {
  return text.substr(position + skip, xml_name_length(text, position + skip));
}

// The name after "charset=" in a Content-Type value such as "text/html; charset=utf-8".
std::u16string_view charset_of(std::u16string_view content) {
  constexpr std::u16string_view key = u"charset=";
  for (size_t i = 0; i + key.size() <= content.size(); ++i) {
    if (!equal_ignoring_case(content.substr(i, key.size()), key)) continue;
    size_t begin = i + key.size();
    size_t end = begin;
    while (end < content.size() && content[end] != u';' && !xml_is_space(content[end]) &&
           content[end] != u'"' && content[end] != u'\'') {
      ++end;
    }
    return content.substr(begin, end - begin);
  }
  return {};
}

std::u16string_view html_meta_charset(std::u16string_view text) {
  bool in_html = false;
  for (size_t position = 0; position < text.size();) {
    xml_node node = xml_next_node(text, position);
    bool start = node.kind == xml_node_kind::start_tag || node.kind == xml_node_kind::empty_tag;
    if (start && !in_html) {
      if (tag_name(text, position, 1) != u"html") return {};
      in_html = true;
    } else if (start && tag_name(text, position, 1) == u"meta") {
      std::u16string_view tag = text.substr(position, node.length);
      size_t first = xml_tag_name_end(tag);
      if (equal_ignoring_case(attribute_value(tag, u"http-equiv", first), u"Content-Type")) {
        std::u16string_view charset = charset_of(attribute_value(tag, u"content", first));
        if (!charset.empty()) return charset;
      }
    } else if (node.kind == xml_node_kind::end_tag && tag_name(text, position, 2) == u"head") {
      return {};
    }
    position += node.length;
  }
  return {};
}

}  // namespace

std::u16string xml_declared_encoding(std::u16string_view text) {
  if (text.substr(0, 5) == u"<?xml" &&
      (text.size() == 5 || xml_is_space(text[5]) || text[5] == u'?')) {
    std::u16string_view declaration = text.substr(0, xml_next_node(text, 0).length);
    std::u16string_view encoding = attribute_value(declaration, u"encoding", 5);
    if (!encoding.empty()) return std::u16string(encoding);
  }
  return std::u16string(html_meta_charset(text));
}
