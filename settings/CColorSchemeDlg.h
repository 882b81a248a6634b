#pragma once
// The "Color Scheme" page of Global Options: the list of colour schemes, with the scheme editor
// for a new or an existing scheme. Built-in schemes can be edited but not deleted. The editor
// offers the ANSI Color page's plans, and the Appearance page's default-scheme choice follows
// every scheme added or deleted here.
#include "config/color_scheme_param.h"
#include "settings/COptDialog.h"

class CAnsiColorDlg;
class CTerminalAppearanceDlg;
class QListWidget;
class QPushButton;

class CColorSchemeDlg : public COptDialog {
 public:
  explicit CColorSchemeDlg(QWidget* parent = nullptr);

  void OnInitDialog() override;
  void LoadFromConfig() override;
  void StoreToConfig() override;

  // Edit is enabled for a selected scheme, Delete only for a selected scheme of the user's.
  void OnSelChange();
  void OnNewScheme();
  void OnEditScheme();
  void OnDeleteScheme();

  color_scheme_param m_schemes;
  CAnsiColorDlg* m_pAnsiPage = nullptr;
  CTerminalAppearanceDlg* m_pAppearancePage = nullptr;

 private:
  QListWidget* m_wndList;     // 384
  QPushButton* m_wndEdit;     // 385
  QPushButton* m_wndNew;      // 386
  QPushButton* m_wndDelete;   // 387
};
