#pragma once
// A filled bar with a one-line caption: the page title of the options dialogs and, with an
// empty text and the 3D frame, their colour swatches (which report a click with STN_CLICKED).
// The owner sets the members directly; the text is the label's text.
#include <QLabel>
#include <QString>

#include <cstdint>

class CCaption : public QLabel {
  Q_OBJECT

 public:
  explicit CCaption(QWidget* parent = nullptr);

  uint32_t m_crText = 0;           // 0x00BBGGRR
  uint32_t m_crFill = 0xDBCDBF;    // 0x00BBGGRR
  QString m_strFaceName = "Microsoft Sans Serif";
  int m_nPointSize = 9;
  bool m_bBold = true;
  // A raised frame: light on the top and left, dark on the bottom and right.
  bool m_b3DFrame = false;

 signals:
  // The left button was pressed on the bar.
  void STN_CLICKED(CCaption* caption);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
};
