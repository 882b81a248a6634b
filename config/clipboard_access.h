#pragma once
// The main frame's clipboard object: whether the clipboard holds text (kept current from the
// clipboard's change notification) and putting UTF-16 text on it. GUI thread only.
#include <QMetaObject>

#include <string>
#include <string_view>

class QWidget;

class clipboard_access {
 public:
  // `owner` is the window that uses the clipboard (the main frame); it may be null.
  explicit clipboard_access(QWidget* owner = nullptr);
  ~clipboard_access();
  clipboard_access(const clipboard_access&) = delete;
  clipboard_access& operator=(const clipboard_access&) = delete;

  // Whether the clipboard holds text; read from the last change notification.
  bool text_available() const { return text_available_; }

  // Puts the text on the clipboard. False when there is no clipboard to put it on.
  bool put_text(std::u16string_view text);

  // The clipboard's text (empty when it holds none), for pasting.
  std::u16string text() const;

  QWidget* owner() const { return owner_; }

 private:
  void refresh();

  bool text_available_ = false;
  QWidget* owner_;
  QMetaObject::Connection changed_;
};
