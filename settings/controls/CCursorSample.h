#pragma once
// A preview of the terminal cursor: the label's text, centred, with the cursor on one of its
// characters, blinking at the owner's interval (ShowCursor). Until the first tick the cursor is
// not shown; from then on it shows on odd ticks.
#include <QLabel>
#include <QRect>
#include <QString>
#include <QTimer>

#include <cstdint>

class CCursorSample : public QLabel {
 public:
  explicit CCursorSample(QWidget* parent = nullptr);

  // The cursor in `style` on character `column` of the text, blinking every `interval_ms`: the
  // blink timer restarts and the sample repaints.
  void ShowCursor(int style, int column, int interval_ms);
  // One blink tick: counts it and repaints.
  void OnTimer();

  // Where the cursor is drawn (in the control's coordinates), for the current text and font.
  QRect CursorRect() const;

  int m_nCursorStyle = 2;  // 0 vertical bar, 1 underline, 2 block
  int m_nBlinkInterval = 1;  // ms
  int m_nCursorColumn = 0;   // character index of the cursor in the text
  int m_nPointSize = 9;
  QString m_strFaceName = "Lucida Console";
  uint32_t m_crText = 0xFAFAFA;      // 0x00BBGGRR
  uint32_t m_crBackground = 0;       // 0x00BBGGRR
  int m_nTickCount = 0;

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  QFont SampleFont() const;
  QTimer m_timer;
};
