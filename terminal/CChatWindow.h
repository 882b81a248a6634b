#pragma once
// The "Chat Window" tab of the output pane: the user composes a line, or several with
// Ctrl+Enter, and Enter sends it to the active terminal session. Up on the first line and Down on
// the last step through the texts sent before (kept while the program runs). Without an active
// terminal the text stays in the window and the status bar says so.
#include <QFont>
#include <QPlainTextEdit>

#include <string>
#include <vector>

class CChatWindow : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit CChatWindow(QWidget* parent = nullptr);

  QFont m_font;
  // The texts sent, oldest first, without their final "\n".
  std::vector<std::u16string> m_history;
  // The entry shown; the history's size when none.
  size_t m_nHistoryPos = 0;

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void Send();
  void ShowEntry(size_t position);
  // The caret's line and the number of lines, counted as shown (wrapped lines count).
  int CaretLine() const;
  int LineCount() const;
};
