#include "explorer/CFileMoidfyDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "platform/dialog_ids.h"

namespace {

constexpr int default_new_mode = 0644;

}  // namespace

CFileMoidfyDlg::CFileMoidfyDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("CFileMoidfyDlg");
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Name", this), 0, 0);
  m_wndName = with_id(new QLineEdit(this), id_name);
  layout->addWidget(m_wndName, 0, 1);

  auto* attribute = new QGroupBox("Attribute", this);
  auto* grid = new QGridLayout(attribute);
  const char* rows[3] = {"Owner", "Group", "Other"};
  const char* letters[3] = {"R", "W", "X"};
  for (int row = 0; row < 3; ++row) {
    grid->addWidget(new QLabel(rows[row], attribute), row, 0);
    for (int column = 0; column < 3; ++column) {
      // Owner R is bit 8, Other X bit 0.
      int bit = 8 - (row * 3 + column);
      m_boxes[bit] = with_id(new QCheckBox(letters[column], attribute), bit_boxes[bit]);
      grid->addWidget(m_boxes[bit], row, column + 1);
      connect(m_boxes[bit], &QCheckBox::clicked, this, [this] { OnAttributeClicked(); });
    }
  }
  layout->addWidget(attribute, 1, 0, 1, 2);
  layout->addWidget(new QLabel("Octal", this), 2, 0);
  m_wndOctal = with_id(new QLineEdit(this), id_octal);
  m_wndOctal->setReadOnly(true);
  layout->addWidget(m_wndOctal, 2, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  m_btnOk = with_id(buttons->button(QDialogButtonBox::Ok), 1);
  with_id(buttons->button(QDialogButtonBox::Cancel), 2);
  layout->addWidget(buttons, 3, 0, 1, 2);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_wndName, &QLineEdit::textChanged, this, [this](const QString& text) { OnNameChanged(text); });
}

void CFileMoidfyDlg::OnInitDialog() {
  setWindowTitle(m_bNew ? "New" : "Edit");
  if (m_bNew && m_nMode == 0) m_nMode = default_new_mode;
  {
    QSignalBlocker quiet(m_wndName);
    m_wndName->setText(m_strName);
  }
  m_btnOk->setEnabled(!m_strName.isEmpty());
  for (int bit = 0; bit < 9; ++bit) m_boxes[bit]->setChecked((m_nMode >> bit) & 1);
  ShowOctal();
}

void CFileMoidfyDlg::OnAttributeClicked() {
  m_nMode = 0;
  for (int bit = 0; bit < 9; ++bit)
    if (m_boxes[bit]->isChecked()) m_nMode |= 1 << bit;
  ShowOctal();
}

void CFileMoidfyDlg::OnNameChanged(const QString& text) {
  m_strName = text;
  m_btnOk->setEnabled(!text.isEmpty());
}

void CFileMoidfyDlg::ShowOctal() { m_wndOctal->setText(QString::asprintf("%04o", static_cast<unsigned>(m_nMode))); }
