#include "settings/CNewColorSchemeNameDlg.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/color_scheme_param.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "settings/color_list_edits.h"
#include "settings/controls/dialog_buttons.h"
#include "settings/new_name_rule.h"

CNewColorSchemeNameDlg::CNewColorSchemeNameDlg(const color_scheme_param& schemes, QWidget* parent)
    : QDialog(parent), m_schemes(schemes) {
  setObjectName("CNewColorSchemeNameDlg");
  setWindowTitle("New Color Scheme");
  m_wndName = with_id(new QLineEdit(this), 395);
  auto* form = new QFormLayout;
  form->addRow("Color Scheme Name:", m_wndName);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  QPushButton* ok = add_ok_cancel(*this, *layout);
  enable_ok_for_new_name(m_wndName, ok,
                         [this](const QString& typed) { return new_entry_name(typed, m_schemes.schemes); });
}

void CNewColorSchemeNameDlg::accept() {
  const QString name = new_entry_name(m_wndName->text(), m_schemes.schemes);
  if (name.isEmpty()) return;
  m_strName = platform::to_u16string(name);
  QDialog::accept();
}
