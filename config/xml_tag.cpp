#include "config/xml_tag.h"

#include <algorithm>

#include "config/xml_tokenizer.h"

namespace {

bool at_tag_close(std::u16string_view tag, size_t i) {
  if (tag[i] == u'>') return true;
  return (tag[i] == u'/' || tag[i] == u'?') && i + 1 < tag.size() && tag[i + 1] == u'>';
}

size_t skip_space(std::u16string_view tag, size_t i) {
  while (i < tag.size() && xml_is_space(tag[i])) ++i;
  return i;
}

}  // namespace

size_t xml_tag_name_end(std::u16string_view tag) { return 1 + xml_name_length(tag, 1); }

xml_attribute xml_find_attribute(std::u16string_view tag, std::u16string_view name, size_t first) {
  xml_attribute result;
  size_t last_end = first;
  size_t i = first;
  while (true) {
    i = skip_space(tag, i);
    if (i >= tag.size() || at_tag_close(tag, i)) break;
    size_t name_length = xml_name_length(tag, i);
    if (name_length == 0) {  // a stray character between attributes
      ++i;
      continue;
    }
    size_t name_end = i + name_length;
    size_t value_begin = name_end, value_end = name_end, raw_begin = name_end, raw_end = name_end;
    size_t j = skip_space(tag, name_end);
    bool has_value = j < tag.size() && tag[j] == u'=';
    if (has_value) {
      j = skip_space(tag, j + 1);
      value_begin = j;
      if (j < tag.size() && (tag[j] == u'"' || tag[j] == u'\'')) {
        size_t close = tag.find(tag[j], j + 1);
        raw_begin = j + 1;
        if (close == std::u16string_view::npos) {
          raw_end = value_end = std::max(raw_begin, tag.size() - 1);  // up to the tag's ">"
        } else {
          raw_end = close;
          value_end = close + 1;
        }
      } else {
        size_t k = j;
        while (k < tag.size() && !xml_is_space(tag[k]) && !at_tag_close(tag, k)) ++k;
        raw_begin = j;
        raw_end = value_end = k;
      }
    }
    if (!result.found && tag.substr(i, name_length) == name) {
      result.found = true;
      result.has_value = has_value;
      result.value_begin = value_begin;
      result.value_end = value_end;
      result.raw_begin = raw_begin;
      result.raw_end = raw_end;
    }
    last_end = value_end;
    i = value_end > i ? value_end : i + 1;
  }
  result.insert_at = last_end;
  return result;
}
