#pragma once
// The strip above the explorer's list: a home button, an editable path box and an enter button.
// It keeps the session's host name, the folder shown and the remote home folder (as bytes),
// makes the path of a clicked name, and asks for a folder to be listed when the user presses
// Enter in the path box or clicks a button. What it asks goes to the view through `list_folder`.
#include <QWidget>

#include <functional>
#include <string>

class CIconButton;
class QComboBox;

class CPathBarEx : public QWidget {
  Q_OBJECT

 public:
  // Control ids.
  static constexpr int id_path = 1006;
  static constexpr int id_home = 1014;
  static constexpr int id_enter = 1034;

  explicit CPathBarEx(QWidget* parent = nullptr);

  // The current folder becomes the path with each run of '/' made one and no trailing '/', and
  // the path box shows it. Backslashes stay: on the server they are part of a name, and the
  // current folder must be the one that was listed. Returns 1.
  int SetPath(const char* path);
  // "." gives the current folder, ".." its parent (the part before its last '/'; "/" stays "/"),
  // any other name the current folder + "/" + name.
  std::string ChildPath(const std::string& name) const;

  // Asks the view to list a folder (the view queues it on its connection, if any).
  std::function<void(const std::string& folder)> list_folder;

  const int m_nMargin = 5;
  int m_nHeight = 0;
  std::string m_strHost;
  std::string m_strCurrent;
  std::string m_strHome;
  QComboBox* m_wndPath;
  CIconButton* m_btnHome;
  CIconButton* m_btnEnter;

 protected:
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  // Enter in the path box: the trimmed text normalised, or "Invalid path!" when it is blank.
  void OnPathEntered();
  void OnHome();
  void OnEnter();
  void Request(const std::string& folder);
};
