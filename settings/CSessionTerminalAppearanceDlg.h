#pragma once
// The "Appearance" page of Session Options: the session's colour scheme, font and cursor, with a
// sample in the scheme's colours. Every change goes into the dialog's record at once. "Edit..."
// and "New..." change the dialog's copy of the scheme list, which the dialog stores only on OK.
#include "settings/COptDialog.h"

class CCursorSample;
class CSessionOptionsDlg;
class QComboBox;
class QLineEdit;
class QPushButton;
struct session_record;

class CSessionTerminalAppearanceDlg : public COptDialog {
 public:
  explicit CSessionTerminalAppearanceDlg(CSessionOptionsDlg& dialog, QWidget* parent = nullptr);

  void OnInitDialog() override;
  // Binds the page to the dialog's record.
  void LoadFromConfig() override;
  void StoreToConfig() override {}
  // Refuses an interval longer than a record holds.
  bool Validate() override;

  // The sample shows the font's name and size in the session's font, scheme and cursor.
  void UpdateSample();
  void OnSchemeChanged();
  void OnStyleChanged();
  void OnIntervalChanged();
  void OnFont();
  void OnEditScheme();
  void OnNewScheme();

  session_record* m_pSession = nullptr;

 private:
  // The session takes the scheme of this name, with its colours.
  void UseScheme(const QString& name);

  CSessionOptionsDlg& m_dialog;
  QComboBox* m_wndScheme;      // 426
  QPushButton* m_wndEdit;      // 427
  QPushButton* m_wndNew;       // 428
  QComboBox* m_wndStyle;       // 407
  QLineEdit* m_wndInterval;    // 408
  QPushButton* m_wndFont;      // 429
  CCursorSample* m_wndSample;  // 409
};
