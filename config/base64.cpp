#include "config/base64.h"

#include <openssl/bio.h>
#include <openssl/buffer.h>
#include <openssl/evp.h>

#include <climits>
#include <cstdio>
#include <vector>

namespace {

// A Base64 filter without line breaks pushed on `memory`; null when OpenSSL could not make it.
BIO* base64_chain(BIO* memory) {
  if (!memory) return nullptr;
  BIO* filter = BIO_new(BIO_f_base64());
  if (!filter) {
    BIO_free(memory);
    return nullptr;
  }
  BIO_set_flags(filter, BIO_FLAGS_BASE64_NO_NL);
  return BIO_push(filter, memory);
}

}  // namespace

std::string base64_text(const void* bytes, size_t length) {
  BIO* memory = BIO_new(BIO_s_mem());
  BIO* chain = base64_chain(memory);
  if (!chain) {
    std::fputs("alloc memory fail\n", stdout);
    return {};
  }
  const auto* data = static_cast<const unsigned char*>(bytes);
  bool ok = true;
  while (ok && length > 0) {
    const int piece = length > INT_MAX ? INT_MAX : static_cast<int>(length);
    ok = BIO_write(chain, data, piece) == piece;
    data += piece;
    length -= static_cast<size_t>(piece);
  }
  ok = ok && BIO_flush(chain) == 1;
  BUF_MEM* buffer = nullptr;
  BIO_get_mem_ptr(memory, &buffer);
  std::string text;
  if (ok && buffer) text.assign(buffer->data, buffer->length);
  BIO_free_all(chain);
  return text;
}

std::string base64_bytes(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  BIO* chain = base64_chain(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
  if (!chain) return {};
  // Decoded data is never longer than its text; the one byte more lets a read show the end.
  std::vector<char> decoded(text.size() + 1);
  size_t used = 0;
  for (;;) {
    const int n = BIO_read(chain, decoded.data() + used, static_cast<int>(decoded.size() - used));
    if (n <= 0) break;
    used += static_cast<size_t>(n);
    if (used == decoded.size()) break;
  }
  BIO_free_all(chain);
  return std::string(decoded.data(), used);
}
