#pragma once
// Designs one script button: its name, tooltip, icon and script template, with two links that
// insert sample templates and Test, which expands the template with the template runner (a
// `dialog` form opens over this window) and shows the result or the failure below. OK is enabled
// only while the name, trimmed, is not empty; the name is returned as typed.
//
// The script is returned with CR LF line ends, as the stored templates have them.
#include <QDialog>

#include <cstdint>
#include <string>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class CNewButtonDlg : public QDialog {
 public:
  static constexpr int minimum_width = 600;
  static constexpr int minimum_height = 400;

  CNewButtonDlg(std::u16string_view label, int32_t icon_index, std::u16string_view tooltip,
                std::u16string_view script, QWidget* parent = nullptr);

  void accept() override;
  // Expands the script and shows the outcome in the output box.
  void OnTest();
  // Puts a sample where the script's selection or caret is.
  void InsertSample(std::u16string_view sample);

  std::u16string m_strLabel;
  std::u16string m_strTooltip;
  std::u16string m_strScript;
  int32_t m_nIconIndex;

  QLineEdit* m_wndLabel;
  QLineEdit* m_wndTooltip;
  QComboBox* m_wndIcon;
  QPlainTextEdit* m_wndScript;
  QPlainTextEdit* m_wndOutput;
  QPushButton* m_wndTest;
  QPushButton* m_wndOk;

 private:
  void OnLabelChanged(const QString& text);

  // A stored index outside 0 to 3 is shown as the first icon and kept unless another is chosen.
  bool m_bIconChosen = false;
};

// The templates that the "Loop Sample" and "Dialog Sample" links insert.
extern const std::u16string_view loop_sample;
extern const std::u16string_view dialog_sample;
