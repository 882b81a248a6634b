#pragma once
// Everything that waits on a person goes through this facade: message boxes, modal dialogs and
// the standard pickers. Code never calls QDialog::exec, the QMessageBox statics or the
// QFileDialog/QColorDialog/QFontDialog statics directly, so tests can install a scripted ui
// (tests/support/scripted_ui.h) that answers instead of a person. GUI thread only.
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QDialog;
class QWidget;

namespace platform {

// Message box buttons and icons, combined with '|', and the answers, with the values the
// program's dialogs and settings were written for.
enum message_box_style : unsigned {
  MB_OK = 0x0,
  MB_OKCANCEL = 0x1,
  MB_YESNOCANCEL = 0x3,
  MB_YESNO = 0x4,
  MB_ICONERROR = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONWARNING = 0x30,
  MB_ICONINFORMATION = 0x40,
};
constexpr unsigned MB_BUTTON_MASK = 0x0F;
constexpr unsigned MB_ICON_MASK = 0xF0;

enum dialog_answer : int {
  IDOK = 1,
  IDCANCEL = 2,
  IDYES = 6,
  IDNO = 7,
};

// The answer of a dialog that ended with `result` (QDialog::exec's value or the code given to
// QDialog::done): Accepted -> IDOK, Rejected -> IDCANCEL, any other code as it is.
int modal_answer(int result);

class ui {
 public:
  virtual ~ui() = default;

  // The facade in use: the real one unless a test installed another.
  static ui& instance();
  // Installs `replacement` (null puts the real one back); returns the one it replaces.
  static std::shared_ptr<ui> install(std::shared_ptr<ui> replacement);

  // `style` is buttons | icon. Returns IDOK, IDCANCEL, IDYES or IDNO; closing the box counts
  // as Cancel (No for Yes/No). An empty caption shows the program's name.
  virtual int message_box(QWidget* parent, const QString& text, const QString& caption,
                          unsigned style) = 0;

  // Runs the dialog modally. Returns IDOK when it was accepted, IDCANCEL when rejected, or the
  // code it was ended with through QDialog::done.
  virtual int run_modal(QDialog& dialog) = 0;

  // Each picker returns nothing when the user cancels.
  virtual std::optional<QString> pick_folder(QWidget* parent, const QString& title,
                                             const QString& initial) = 0;
  // `filter` in Qt's form, e.g. "Log Files (*.log);;All Files (*)"; `default_suffix` without
  // the dot is added to a name typed without one.
  virtual std::optional<QString> pick_save_file(QWidget* parent, const QString& title,
                                                const QString& proposed, const QString& filter,
                                                const QString& default_suffix) = 0;
  // Existing files only; several may be chosen.
  virtual std::optional<QStringList> pick_open_files(QWidget* parent, const QString& title,
                                                     const QString& folder,
                                                     const QString& filter) = 0;
  virtual std::optional<QColor> pick_color(QWidget* parent, const QColor& initial) = 0;
  virtual std::optional<QFont> pick_font(QWidget* parent, const QFont& initial,
                                         bool fixed_pitch_only) = 0;
};

}  // namespace platform
