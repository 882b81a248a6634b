#include "config/xml_tokenizer.h"

namespace {

constexpr std::u16string_view name_stops = u"!\"'/;<=>?\\";

// A character that may follow "<" to open a start tag.
bool starts_tag_name(char16_t c) {
  return (c >= u'A' && c <= u'Z') || c == u':' || c == u'_' || c > u'`';
}

xml_node error_node(xml_syntax_error error, size_t length) {
  return {xml_node_kind::error, length, error};
}

// Offset just past `terminator` at or after `from`, or npos.
size_t past(std::u16string_view text, size_t from, std::u16string_view terminator) {
  size_t found = text.find(terminator, from);
  return found == std::u16string_view::npos ? found : found + terminator.size();
}

// Offset just past the first ">" at or after `from` that is not inside a quoted value, or npos.
size_t past_tag_end(std::u16string_view text, size_t from) {
  char16_t quote = 0;
  for (size_t i = from; i < text.size(); ++i) {
    char16_t c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == u'"' || c == u'\'') {
      quote = c;
    } else if (c == u'>') {
      return i + 1;
    }
  }
  return std::u16string_view::npos;
}

// A document type declaration starting at `start` ("<!D"): it ends at the first ">" outside its
// internal subset; inside the subset each markup declaration must be "<!...>", "<!--...-->" or
// "<?...?>".
xml_node doctype_node(std::u16string_view text, size_t start) {
  const size_t rest = text.size() - start;
  char16_t quote = 0;
  bool in_subset = false;
  for (size_t i = start + 2; i < text.size(); ++i) {
    char16_t c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == u'"' || c == u'\'') {
      quote = c;
    } else if (!in_subset) {
      if (c == u'[')
        in_subset = true;
      else if (c == u'>')
        return {xml_node_kind::doctype, i + 1 - start, xml_syntax_error::none};
    } else if (c == u']') {
      in_subset = false;
    } else if (c == u'<') {
      size_t end;
      if (text.substr(i, 4) == u"<!--") {
        end = past(text, i + 4, u"-->");
      } else if (text.substr(i, 2) == u"<?") {
        end = past(text, i + 2, u"?>");
      } else if (i + 2 < text.size() && text[i + 1] == u'!' && starts_tag_name(text[i + 2])) {
        end = past_tag_end(text, i + 2);
      } else {
        // Skip through the bad "<" only, so that what follows is read again as markup.
        if (i + 1 < text.size())
          return error_node(xml_syntax_error::doctype_tag_syntax, i + 1 - start);
        return error_node(xml_syntax_error::unterminated_tag_syntax, rest);
      }
      if (end == std::u16string_view::npos) {
        return error_node(xml_syntax_error::unterminated_tag_syntax, rest);
      }
      i = end - 1;
    }
  }
  return error_node(xml_syntax_error::unterminated_tag_syntax, rest);
}

// Markup that runs to `terminator`, or to the end of the text as an unterminated error.
xml_node delimited_node(std::u16string_view text, size_t start, size_t body,
                        std::u16string_view terminator, xml_node_kind kind) {
  size_t end = past(text, body, terminator);
  if (end == std::u16string_view::npos) {
    return error_node(xml_syntax_error::unterminated_tag_syntax, text.size() - start);
  }
  return {kind, end - start, xml_syntax_error::none};
}

// Skips a malformed "<": the "<" and the text after it up to the next "<".
size_t malformed_length(std::u16string_view text, size_t start) {
  size_t next = text.find(u'<', start + 1);
  return (next == std::u16string_view::npos ? text.size() : next) - start;
}

xml_node markup_node(std::u16string_view text, size_t start) {
  const size_t rest = text.size() - start;
  if (rest < 2) return error_node(xml_syntax_error::unterminated_tag_syntax, rest);
  char16_t c = text[start + 1];
  if (starts_tag_name(c) || c == u'/') {
    size_t end = past_tag_end(text, start + 1);
    if (end == std::u16string_view::npos) {
      return error_node(xml_syntax_error::unterminated_tag_syntax, rest);
    }
    xml_node_kind kind = c == u'/'               ? xml_node_kind::end_tag
                         : text[end - 2] == u'/' ? xml_node_kind::empty_tag
                                                 : xml_node_kind::start_tag;
    return {kind, end - start, xml_syntax_error::none};
  }
  if (c == u'?') {
    return delimited_node(text, start, start + 2, u"?>", xml_node_kind::processing_instruction);
  }
  if (c != u'!')
    return error_node(xml_syntax_error::first_tag_syntax, malformed_length(text, start));
  if (rest < 3) return error_node(xml_syntax_error::unterminated_tag_syntax, rest);
  char16_t d = text[start + 2];
  if (d == u'-') {
    if (rest < 4) return error_node(xml_syntax_error::unterminated_tag_syntax, rest);
    if (text[start + 3] != u'-') {
      return error_node(xml_syntax_error::comment_tag_syntax, malformed_length(text, start));
    }
    return delimited_node(text, start, start + 4, u"-->", xml_node_kind::comment);
  }
  if (d == u'[') {
    if (rest < 4) return error_node(xml_syntax_error::unterminated_tag_syntax, rest);
    if (text[start + 3] != u'C') {
      return error_node(xml_syntax_error::cdata_section_syntax, malformed_length(text, start));
    }
    return delimited_node(text, start, start + 4, u"]]>", xml_node_kind::cdata_section);
  }
  if (d == u'D') return doctype_node(text, start);
  return error_node(xml_syntax_error::exclamation_tag_syntax, malformed_length(text, start));
}

}  // namespace

bool xml_is_space(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

size_t xml_name_length(std::u16string_view text, size_t position) {
  size_t end = position;
  while (end < text.size() && !xml_is_space(text[end]) &&
         name_stops.find(text[end]) == std::u16string_view::npos) {
    ++end;
  }
  return end - position;
}

xml_node xml_next_node(std::u16string_view text, size_t position) {
  if (text[position] == u'<') return markup_node(text, position);
  size_t end = text.find(u'<', position);
  if (end == std::u16string_view::npos) end = text.size();
  bool blank = true;
  for (size_t i = position; i < end && blank; ++i) blank = xml_is_space(text[i]);
  return {blank ? xml_node_kind::whitespace : xml_node_kind::text, end - position,
          xml_syntax_error::none};
}
