#include "terminal/glyph_cache.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <cmath>

glyph_cache::glyph_cache(const QFont& font) : font_(font), raw_(QRawFont::fromFont(font)) {
  run_.setRawFont(raw_);
}

const glyph_cache::glyph& glyph_cache::lookup(char16_t c) {
  std::unique_ptr<page>& held = pages_[c >> 8];
  if (!held) held = std::make_unique<page>();
  glyph& g = (*held)[c & 0xFF];
  if (!g.known) {
    g.known = true;
    QChar ch(c);
    quint32 index = 0;
    int count = 1;
    // Surrogate halves stand alone in a cell and have no glyph of their own.
    if (raw_.isValid() && !ch.isSurrogate() && raw_.glyphIndexesForChars(&ch, 1, &index, &count) &&
        index != 0) {
      QPointF advance;
      raw_.advancesForGlyphIndexes(&index, &advance, 1);
      g.index = index;
      g.advance = static_cast<float>(advance.x());
    }
  }
  return g;
}

int glyph_cache::layout(std::u16string_view text) {
  indexes_.clear();
  positions_.clear();
  as_text_ = false;
  qreal width = 0;
  for (char16_t c : text) {
    const glyph& g = lookup(c);
    if (g.index == 0) {
      // Left to the font machinery, which can take the character from another font.
      as_text_ = true;
      text_ = QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
      return QFontMetrics(font_).horizontalAdvance(text_);
    }
    indexes_.append(g.index);
    positions_.append(QPointF(width, 0));
    width += g.advance;
  }
  return static_cast<int>(std::lround(width));
}

void glyph_cache::draw(QPainter& painter, int x, int baseline) {
  if (as_text_) {
    painter.setFont(font_);
    painter.drawText(x, baseline, text_);
    return;
  }
  run_.setGlyphIndexes(indexes_);
  run_.setPositions(positions_);
  painter.drawGlyphRun(QPointF(x, baseline), run_);
}
