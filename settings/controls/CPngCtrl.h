#pragma once
// A picture from one of the program's PNG resources, stretched over the control, white
// showing as transparent.
#include <QImage>
#include <QWidget>

class CPngCtrl : public QWidget {
 public:
  explicit CPngCtrl(QWidget* parent = nullptr);

  // Loads PNG resource `id` (":/png/<id>.png"); on failure the control has no picture and
  // paints nothing. Returns whether a picture was loaded.
  bool Load(int id);

  int m_nResourceId = 0;
  QImage m_image;

 protected:
  void paintEvent(QPaintEvent* e) override;
};
