#pragma once
// A list that previews colours: each entry's text is drawn in the colour held as the entry's
// data, on the list's background colour, in the font the owner made from the face and size.
// Selection is not shown.
#include <QFont>
#include <QListWidget>
#include <QString>

#include <cstdint>

class CSampleListBox : public QListWidget {
 public:
  explicit CSampleListBox(QWidget* parent = nullptr);

  // Appends an entry drawn in `color` (0x00BBGGRR); returns its index.
  int AddString(const QString& text, uint32_t color);
  // The colour (0x00BBGGRR) an entry is drawn in.
  void SetItemData(int index, uint32_t color);
  uint32_t GetItemData(int index) const;

  uint32_t m_crBackground = 0;  // 0x00BBGGRR
  QString m_strFaceName = "Lucida Console";
  int m_nPointSize = 9;
  // Made by the owner from the face and size (point_font); used to measure and draw.
  QFont m_font;

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  class entry_delegate;
};
