#include "terminal/CPasteConfirmDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/text_convert.h"
#include "platform/qt_text.h"

CPasteConfirmDlg::CPasteConfirmDlg(const std::string& text, QWidget* parent)
    : QDialog(parent), m_pText(text) {
  setObjectName(QStringLiteral("id_431"));
  setWindowTitle(QStringLiteral("Confirm"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Do you wish to paste the following content?"), this));
  auto* content = new QPlainTextEdit(this);
  content->setObjectName(QStringLiteral("id_1060"));
  content->setReadOnly(true);
  content->setLineWrapMode(QPlainTextEdit::NoWrap);
  // A Qt edit breaks lines at "\n" itself, so the text is shown as it is.
  content->setPlainText(platform::to_qstring(mbs_to_wstring(text)));
  layout->addWidget(content);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("id_1"));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("id_2"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}
