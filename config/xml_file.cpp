// Reading and writing an xml_document's file in its text encoding.
#include <errno.h>
#include <string.h>

#include <algorithm>

#include "config/xml_declaration.h"
#include "config/xml_document.h"
#include "config/xml_encoding.h"
#include "config/xml_encoding_names.h"
#include "config/xml_result_log.h"
#include "platform/atomic_file.h"
#include "platform/text_codec.h"

namespace {

struct byte_order_mark {
  std::string_view bytes;
  uint32_t code_page;
  uint32_t flag;
};

// Compared in this order with the start of a file; on writing, the first row whose flag is set.
constexpr byte_order_mark byte_order_marks[] = {
    {"\xEF\xBB\xBF", xml_code_page_utf8, xml_utf8_preamble},
    {"\xFF\xFE", xml_code_page_utf16le, xml_utf16le_file},
    {"\xFE\xFF", xml_code_page_utf16be, xml_utf16be_file},
};

constexpr uint32_t all_mark_flags = xml_utf8_preamble | xml_utf16le_file | xml_utf16be_file;

// Whether every byte with its top bit set starts a complete sequence: the length follows from
// its bits 5, 4 and 3, and each following byte has its top bit set.
bool looks_like_utf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    auto lead = uint8_t(bytes[i]);
    if (!(lead & 0x80)) continue;
    size_t followers = !(lead & 0x20) ? 1 : !(lead & 0x10) ? 2 : !(lead & 0x08) ? 3 : 0;
    if (followers == 0 || i + followers >= bytes.size()) return false;
    for (size_t k = 1; k <= followers; ++k) {
      if (!(uint8_t(bytes[i + k]) & 0x80)) return false;
    }
    i += followers;
  }
  return true;
}

// The encoding a file without mark declares in its first bytes (read as UTF-8, NULs left out).
std::u16string declared_in_bytes(std::string_view bytes) {
  std::string head(bytes.substr(0, xml_declaration_search_length));
  head.erase(std::remove(head.begin(), head.end(), '\0'), head.end());
  return xml_declared_encoding(platform::utf8_to_utf16(head));
}

std::u16string error_text() { return platform::utf8_to_utf16(strerror(errno)); }

}  // namespace

bool xml_document::load_file(const std::string& path) {
  set_document();
  std::string bytes;
  if (!platform::read_file(path, bytes)) {
    xml_note(result_log_, u"file_error", {{u"text", error_text()}});
    return false;
  }
  std::string_view body = bytes;
  uint32_t code_page = 0;
  bool known = false;
  document_flags_ &= ~all_mark_flags;
  for (const byte_order_mark& mark : byte_order_marks) {
    if (body.substr(0, mark.bytes.size()) != mark.bytes) continue;
    body.remove_prefix(mark.bytes.size());
    code_page = mark.code_page;
    document_flags_ |= mark.flag;
    known = true;
    break;
  }
  if (!known) {
    std::u16string declared = declared_in_bytes(body);
    if (!declared.empty()) {
      code_page = xml_code_page(declared);
      known = true;
    } else if (!body.empty() && body[0] == '<') {
      code_page = xml_code_page_utf8;
      known = true;
    }
  }
  if (!known) code_page = looks_like_utf8(body) ? xml_code_page_utf8 : xml_code_page_ansi;

  size_t replaced = 0;
  std::u16string text = xml_decode_text(body, code_page, replaced);
  // NUL characters have no place in a document; a file padded with them still reads.
  text.erase(std::remove(text.begin(), text.end(), u'\0'), text.end());
  bool well_formed = set_document(text);
  xml_note(result_log_, u"load_file",
           {{u"encoding", xml_number_text(code_page)},
            {u"length", xml_number_text(text.size())},
            {u"replaced", xml_number_text(replaced)}});
  return well_formed;
}

bool xml_document::write_file(std::u16string_view text, std::u16string& result_log,
                              const std::string& path, uint32_t& flags) {
  std::string bytes;
  uint32_t code_page = xml_code_page_utf8;
  auto mark = std::find_if(std::begin(byte_order_marks), std::end(byte_order_marks),
                           [flags](const byte_order_mark& m) { return (flags & m.flag) != 0; });
  if (mark != std::end(byte_order_marks)) {
    bytes = mark->bytes;
    code_page = mark->code_page;
  } else {
    std::u16string declared = xml_declared_encoding(text.substr(0, xml_declaration_search_length));
    if (!declared.empty()) code_page = xml_code_page(declared);
  }
  size_t replaced = 0;
  bytes += xml_encode_text(text, code_page, replaced);
  if (replaced != 0) {
    xml_note(result_log, u"unmappable_characters",
             {{u"encoding", xml_number_text(code_page)}, {u"count", xml_number_text(replaced)}});
  }
  if (!platform::write_file_atomically(path, bytes, 0600)) {
    xml_note(result_log, u"file_error", {{u"text", error_text()}});
    return false;
  }
  xml_note(result_log, u"write_file",
           {{u"encoding", xml_number_text(code_page)}, {u"length", xml_number_text(bytes.size())}});
  return true;
}
