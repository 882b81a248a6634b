#include "platform/ui.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>

namespace platform {
namespace {

QMessageBox::StandardButtons buttons_of(unsigned style) {
  switch (style & MB_BUTTON_MASK) {
    case MB_OKCANCEL: return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNOCANCEL: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO: return QMessageBox::Yes | QMessageBox::No;
    default: return QMessageBox::Ok;
  }
}

QMessageBox::Icon icon_of(unsigned style) {
  switch (style & MB_ICON_MASK) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

// What a box closed without pressing a button answers.
int closed_answer(unsigned style) {
  switch (style & MB_BUTTON_MASK) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL: return IDCANCEL;
    case MB_YESNO: return IDNO;
    default: return IDOK;
  }
}

class real_ui final : public ui {
 public:
  int message_box(QWidget* parent, const QString& text, const QString& caption,
                  unsigned style) override {
    QMessageBox box(icon_of(style), caption.isEmpty() ? QApplication::applicationName() : caption,
                    text, buttons_of(style), parent);
    switch (box.exec()) {
      case QMessageBox::Ok: return IDOK;
      case QMessageBox::Cancel: return IDCANCEL;
      case QMessageBox::Yes: return IDYES;
      case QMessageBox::No: return IDNO;
      default: return closed_answer(style);
    }
  }

  int run_modal(QDialog& dialog) override { return modal_answer(dialog.exec()); }

  std::optional<QString> pick_folder(QWidget* parent, const QString& title,
                                     const QString& initial) override {
    const QString folder = QFileDialog::getExistingDirectory(parent, title, initial);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
  }

  std::optional<QString> pick_save_file(QWidget* parent, const QString& title, const QString& proposed,
                                        const QString& filter, const QString& default_suffix) override {
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(default_suffix);
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
  }

  std::optional<QStringList> pick_open_files(QWidget* parent, const QString& title,
                                             const QString& folder, const QString& filter) override {
    const QStringList files = QFileDialog::getOpenFileNames(parent, title, folder, filter);
    if (files.isEmpty()) return std::nullopt;
    return files;
  }

  std::optional<QColor> pick_color(QWidget* parent, const QColor& initial) override {
    const QColor color = QColorDialog::getColor(initial, parent);
    if (!color.isValid()) return std::nullopt;
    return color;
  }

  std::optional<QFont> pick_font(QWidget* parent, const QFont& initial, bool fixed_pitch_only) override {
    bool ok = false;
    const QFont font = QFontDialog::getFont(
        &ok, initial, parent, QString(),
        fixed_pitch_only ? QFontDialog::MonospacedFonts : QFontDialog::FontDialogOptions());
    if (!ok) return std::nullopt;
    return font;
  }
};

std::shared_ptr<ui>& current() {
  static std::shared_ptr<ui> installed;
  return installed;
}

}  // namespace

int modal_answer(int result) {
  if (result == QDialog::Accepted) return IDOK;
  if (result == QDialog::Rejected) return IDCANCEL;
  return result;
}

ui& ui::instance() {
  std::shared_ptr<ui>& installed = current();
  if (!installed) installed = std::make_shared<real_ui>();
  return *installed;
}

std::shared_ptr<ui> ui::install(std::shared_ptr<ui> replacement) {
  std::shared_ptr<ui> previous = std::move(current());
  current() = replacement ? std::move(replacement) : std::make_shared<real_ui>();
  return previous;
}

}  // namespace platform
