#include "settings/CSessionTerminalDlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "config/session_record.h"
#include "config/text_convert.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "settings/controls/number_field.h"
#include "settings/option_fields.h"
#include "settings/option_lists.h"

CSessionTerminalDlg::CSessionTerminalDlg(session_record& session, QWidget* parent)
    : COptDialog(parent), m_session(session) {
  auto* group = new QGroupBox("Emulator", this);
  m_wndTerminal = with_id(new QComboBox(group), 424);
  m_wndScrollback = number_field(group, 425);
  auto* form = new QFormLayout(group);
  form->addRow("Terminal:", m_wndTerminal);
  form->addRow("Scrollback:", m_wndScrollback);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addStretch(1);
  for (const char* type : terminal_types) m_wndTerminal->addItem(type);

  connect(m_wndTerminal, &QComboBox::activated, this, &CSessionTerminalDlg::OnModified);
  connect(m_wndScrollback, &QLineEdit::textChanged, this, &CSessionTerminalDlg::OnModified);
}

void CSessionTerminalDlg::OnInitDialog() {
  const int type = m_wndTerminal->findText(platform::to_qstring(mbs_to_wstring(m_session.appearance.console_type)),
                                           Qt::MatchExactly | Qt::MatchCaseSensitive);
  m_wndTerminal->setCurrentIndex(type >= 0 ? type : 0);
  m_wndScrollback->setText(number_text(static_cast<uint32_t>(m_session.appearance.scrollback_size)));
}

bool CSessionTerminalDlg::Validate() {
  m_session.appearance.console_type = wcs_to_string(platform::to_u16string(m_wndTerminal->currentText()));
  const std::optional<uint32_t> lines = field_number(m_wndScrollback->text());
  if (!lines || *lines < scrollback_min) return Refuse(QString("Scrollback size should more than %1!").arg(scrollback_min));
  if (*lines > static_cast<uint32_t>(session_appearance::max_scrollback_size))
    return Refuse(QString("Scrollback size should not more than %1!").arg(session_appearance::max_scrollback_size));
  m_session.appearance.scrollback_size = static_cast<int32_t>(*lines);
  return true;
}
