#include "scripting/CNewCategoryDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/dialog_ids.h"
#include "platform/qt_text.h"

CNewCategoryDlg::CNewCategoryDlg(std::u16string_view name, QWidget* parent) : QDialog(parent), m_strName(name) {
  setObjectName("CNewCategoryDlg");
  setWindowTitle("Category");
  m_wndName = with_id(new QLineEdit(this), 1015);
  auto* form = new QFormLayout;
  form->addRow("Category Name:", m_wndName);
  auto* buttons = new QDialogButtonBox(this);
  m_wndOk = with_id(buttons->addButton("OK", QDialogButtonBox::AcceptRole), 1);
  m_wndOk->setDefault(true);
  with_id(buttons->addButton("Cancel", QDialogButtonBox::RejectRole), 2);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);

  if (!m_strName.empty()) m_wndName->setText(platform::to_qstring(m_strName));
  m_wndOk->setEnabled(!m_strName.empty());
  connect(m_wndName, &QLineEdit::textChanged, this, &CNewCategoryDlg::OnNameChanged);
}

void CNewCategoryDlg::OnNameChanged(const QString& text) {
  m_strName = platform::to_u16string(text.trimmed());
  m_wndOk->setEnabled(!m_strName.empty());
}
