#include "terminal/screen_line.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "terminal/screen_buffer.h"

screen_line::screen_line(const screen_buffer* owner)
    : owner(owner), chars(owner->cols + 1, blank), attrs(owner->cols + 1, 0) {}

void screen_line::grow(int32_t n) {
  size_t grown = static_cast<size_t>(n + 64) & ~size_t(63);
  chars.resize(grown, blank);
  attrs.resize(grown, 0);
}

void screen_line::reset() {
  std::fill_n(chars.begin(), dirty_end, blank);
  std::fill_n(attrs.begin(), dirty_end, 0u);
  dirty_end = 0;
  cursor_col = 0;
  length = 0;
  wrap_pending = 0;
  continues = 0;
}

void screen_line::put_ascii_run(int32_t k, const char* text, int32_t n, size_t readable,
                                uint32_t attribute) {
#if defined(__SSE2__)
  // Sixteen cells per step: widened characters and the attribute, and for the last, partial
  // step a blend that keeps the cells past the run, so a run of any length costs no branch
  // per cell. Only bytes inside `readable` and cells inside the line are touched.
  if (readable >= 16 && k + 16 <= capacity()) {
    static constexpr int8_t first_n[32] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                           -1, -1, -1, -1, -1, 0};
    const __m128i zero = _mm_setzero_si128();
    const __m128i pen = _mm_set1_epi32(static_cast<int>(attribute));
    char16_t* out = chars.data() + k;
    uint32_t* out_attrs = attrs.data() + k;
    int32_t left = n;
    while (left > 0 && readable >= 16 && (out - chars.data()) + 16 <= capacity()) {
      __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
      __m128i keep = _mm_loadu_si128(
          reinterpret_cast<const __m128i*>(first_n + 16 - std::min(left, int32_t(16))));
      __m128i keep16[2] = {_mm_unpacklo_epi8(keep, keep), _mm_unpackhi_epi8(keep, keep)};
      __m128i units[2] = {_mm_unpacklo_epi8(bytes, zero), _mm_unpackhi_epi8(bytes, zero)};
      for (int half = 0; half < 2; ++half) {
        auto* cell = reinterpret_cast<__m128i*>(out + 8 * half);
        __m128i old = _mm_loadu_si128(cell);
        __m128i blended = _mm_or_si128(_mm_and_si128(keep16[half], units[half]),
                                       _mm_andnot_si128(keep16[half], old));
        _mm_storeu_si128(cell, blended);
        __m128i keep32[2] = {_mm_unpacklo_epi16(keep16[half], keep16[half]),
                             _mm_unpackhi_epi16(keep16[half], keep16[half])};
        for (int quarter = 0; quarter < 2; ++quarter) {
          auto* a = reinterpret_cast<__m128i*>(out_attrs + 8 * half + 4 * quarter);
          __m128i old_attrs = _mm_loadu_si128(a);
          _mm_storeu_si128(a, _mm_or_si128(_mm_and_si128(keep32[quarter], pen),
                                           _mm_andnot_si128(keep32[quarter], old_attrs)));
        }
      }
      int32_t step = std::min(left, int32_t(16));
      out += step;
      out_attrs += step;
      text += step;
      readable -= step;
      left -= step;
    }
    int32_t done = n - left;
    if (done > 0) {
      length = std::max(length, k + done);
      dirty_end = std::max(dirty_end, k + done);
    }
    k += done;
    n = left;
  }
#endif
  (void)readable;
  if (n > 0) put_run(k, text, n, attribute);
}

void screen_line::blank_cells(int32_t from, int32_t to, uint32_t attribute) {
  if (from >= to) return;
  std::fill(chars.begin() + from, chars.begin() + to, blank);
  std::fill(attrs.begin() + from, attrs.begin() + to, attribute);
  dirty_end = std::max(dirty_end, to);
}

void screen_line::erase(int mode, uint32_t attribute) {
  int32_t columns = owner->cols;
  reserve(columns);
  switch (mode) {
    case 0:
      blank_cells(std::min(cursor_col, columns), columns, attribute);
      // Cells kept past the width (from inserted blanks) are dropped with the rest.
      blank_cells(columns, length, 0);
      length = columns;
      break;
    case 1:
      blank_cells(0, std::min(cursor_col + 1, capacity()), attribute);
      break;
    case 2:
      blank_cells(0, columns, attribute);
      blank_cells(columns, length, 0);
      length = columns;
      break;
    default:
      break;
  }
}

void screen_line::insert_blanks(int32_t n) {
  if (n <= 0) return;
  int32_t limit = std::max(2 * owner->cols, length);
  int32_t at = cursor_col;
  if (at >= limit) return;
  n = std::min(n, limit - at);
  int32_t new_length = std::min(length + n, limit);
  reserve(std::max(new_length, at + n));
  // The cells from the cursor on move right; those landing past the limit are dropped.
  int32_t keep = std::max(0, std::min(length, new_length - n) - at);
  std::copy_backward(chars.begin() + at, chars.begin() + at + keep, chars.begin() + at + n + keep);
  std::copy_backward(attrs.begin() + at, attrs.begin() + at + keep, attrs.begin() + at + n + keep);
  std::fill_n(chars.begin() + at, n, blank);
  std::fill_n(attrs.begin() + at, n, 0u);
  length = new_length;
  dirty_end = std::max({dirty_end, new_length, at + n});
}

void screen_line::delete_cells(int32_t n) {
  int32_t rest = length - cursor_col;
  int32_t old_length = length;
  if (n < rest) {
    std::copy(chars.begin() + cursor_col + n, chars.begin() + length, chars.begin() + cursor_col);
    std::copy(attrs.begin() + cursor_col + n, attrs.begin() + length, attrs.begin() + cursor_col);
    length -= n;
  } else {
    reserve(cursor_col);
    length = cursor_col;
  }
  // The freed cells are blanked: a later character past them would otherwise bring the
  // deleted text back into view.
  blank_cells(length, old_length, 0);
}
