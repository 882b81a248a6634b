#include "config/session_record.h"

#include <algorithm>

#include "config/text_convert.h"
#include "config/time_text.h"
#include "config/uuid_text.h"

session_record::session_record() : uuid(uuid_text()) {}

std::u16string session_record::default_log_name() const {
  std::u16string result = name;
  std::replace(result.begin(), result.end(), u'/', u'_');
  result += u'_';
  for (char c : now_text()) {
    if (c == '-' || c == ':') continue;
    result += c == ' ' ? u'_' : static_cast<char16_t>(static_cast<unsigned char>(c));
  }
  return result;
}
