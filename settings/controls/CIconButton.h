#pragma once
// A flat button of an icon and a caption. It paints itself highlighted while the mouse is over
// it, and reports a left-button release over it with IBN_LBUTTONUP and a left-button press with
// STN_CLICKED (the button bar acts on the first, the path bar on the second). The owner sets
// the members directly and lays the button out at CalcIdealRect's size.
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>

class CIconButton : public QWidget {
  Q_OBJECT

 public:
  explicit CIconButton(QWidget* parent = nullptr);

  // Loads icon resource `icon_id` at `icon_size` x `icon_size` px in place of the current icon;
  // a caption that is given replaces the caption. A null icon (an unknown id) leaves the button
  // without one. Repaints.
  void SetIconAndCaption(int icon_id, int icon_size, const QString* caption);
  void SetIconAndCaption(int icon_id, int icon_size, const QString& caption) {
    SetIconAndCaption(icon_id, icon_size, &caption);
  }
  // (0, 0, w, h): the size that fits icon and caption with the inner margin around and
  // between them.
  QRect CalcIdealRect() const;

  QSize sizeHint() const override { return CalcIdealRect().size(); }

  // Paint the background in the application look's pane colour rather than the window colour.
  bool m_bThemed = false;
  QPixmap m_hIcon;  // the icon at m_nIconSize x m_nIconSize; null for none
  int m_nIconSize = 0;
  QString m_strCaption;
  bool m_bHover = false;
  // Space around icon and caption: 5 px at 96 DPI.
  int m_nInnerMargin;
  // 8 pt "Microsoft Sans Serif".
  QFont m_font;

 signals:
  // The left button was released over the button (whether or not it was pressed on it).
  void IBN_LBUTTONUP(CIconButton* button);
  // The left button was pressed on the button.
  void STN_CLICKED(CIconButton* button);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void leaveEvent(QEvent* e) override;

 private:
  // The caption's extent in the button's font; (0, 0) for no caption.
  QSize CaptionExtent() const;
  bool HasIcon() const { return !m_hIcon.isNull(); }
};
