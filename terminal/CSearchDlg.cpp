#include "terminal/CSearchDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/qt_text.h"
#include "platform/ui.h"
#include "terminal/CTerminalView.h"

namespace {

QCheckBox* check_box(QWidget* parent, int id, const char* text) {
  auto* box = new QCheckBox(QString::fromUtf8(text), parent);
  box->setObjectName(QStringLiteral("id_%1").arg(id));
  return box;
}

}  // namespace

CSearchDlg::CSearchDlg(CTerminalView& view) : QDialog(&view), m_view(view) {
  setObjectName(QStringLiteral("id_360"));
  setWindowTitle(QStringLiteral("Search in terminal"));
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Content:"), this), 0, 0);
  m_content = new QLineEdit(this);
  m_content->setObjectName(QStringLiteral("id_1010"));
  layout->addWidget(m_content, 0, 1, 1, 2);
  m_down = check_box(this, 1011, "Down Search");
  m_wholeWord = check_box(this, 1012, "Match Whole Word");
  m_caseSensitive = check_box(this, 1013, "Case Sensitive");
  layout->addWidget(m_down, 1, 0);
  layout->addWidget(m_wholeWord, 1, 1);
  layout->addWidget(m_caseSensitive, 1, 2);
  auto* buttons = new QHBoxLayout;
  auto* search = new QPushButton(QStringLiteral("Search"), this);
  search->setObjectName(QStringLiteral("id_1"));
  search->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("id_2"));
  buttons->addStretch();
  buttons->addWidget(search);
  buttons->addWidget(cancel);
  layout->addLayout(buttons, 2, 0, 1, 3);
  connect(search, &QPushButton::clicked, this, &CSearchDlg::OnSearch);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CSearchDlg::OnSearch() {
  std::u16string text = platform::to_u16string(m_content->text());
  if (m_view.FindText(text, !m_down->isChecked(), m_wholeWord->isChecked(),
                      m_caseSensitive->isChecked(), m_nRow, m_nCol))
    return;
  platform::ui::instance().message_box(this, QStringLiteral("Cannot find '%1'!").arg(m_content->text()),
                                       QStringLiteral("Tessary"), platform::MB_ICONINFORMATION);
}
