#include "config/clipboard_access.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "platform/qt_text.h"

clipboard_access::clipboard_access(QWidget* owner) : owner_(owner) {
  if (QClipboard* clipboard = QGuiApplication::clipboard()) {
    changed_ = QObject::connect(clipboard, &QClipboard::dataChanged, [this] { refresh(); });
    refresh();
  }
}

clipboard_access::~clipboard_access() { QObject::disconnect(changed_); }

void clipboard_access::refresh() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  text_available_ = data && data->hasText();
}

bool clipboard_access::put_text(std::u16string_view text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setText(platform::to_qstring(text));
  return true;
}

std::u16string clipboard_access::text() const {
  QClipboard* clipboard = QGuiApplication::clipboard();
  return clipboard ? platform::to_u16string(clipboard->text()) : std::u16string();
}
