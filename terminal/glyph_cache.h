#pragma once
// The terminal font's glyph index and advance of each character, looked up once: a run of cells
// is then drawn as one glyph run, without shaping its text again on every paint. A character the
// font lacks has no glyph here, and its run is drawn as text, so the font's fallback finds it.
#include <QGlyphRun>
#include <QRawFont>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

class QFont;
class QPainter;

class glyph_cache {
 public:
  glyph_cache() = default;
  explicit glyph_cache(const QFont& font);

  // Lays a run out; returns its width in pixels.
  int layout(std::u16string_view text);
  // Draws the run laid out last with its left end at x and its baseline at y.
  void draw(QPainter& painter, int x, int baseline);

 private:
  struct glyph {
    uint32_t index = 0;
    float advance = 0;
    bool known = false;
  };
  using page = std::array<glyph, 256>;

  const glyph& lookup(char16_t c);

  QFont font_;
  QRawFont raw_;
  std::array<std::unique_ptr<page>, 256> pages_;
  // The run laid out last; reused from run to run. A run with a character the font lacks keeps
  // its text instead.
  bool as_text_ = false;
  QString text_;
  QList<quint32> indexes_;
  QList<QPointF> positions_;
  QGlyphRun run_;
};
