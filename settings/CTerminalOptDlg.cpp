#include "settings/CTerminalOptDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "config/configuration.h"
#include "platform/dialog_ids.h"
#include "settings/controls/number_field.h"
#include "settings/option_fields.h"

namespace {

struct mouse_box {
  int id;
  const char* label;
  bool terminal_opt_param::*member;
};

constexpr mouse_box mouse_boxes[] = {
    {396, "Copy when select", &terminal_opt_param::select_copy},
    {397, "Paste with right button", &terminal_opt_param::right_paste},
    {398, "Hide mouse when type", &terminal_opt_param::hide_on_type},
    {399, "Expand double click selection when with CTRL key", &terminal_opt_param::expand_select},
    {400, "Whole line selection when with SHIFT key pressed", &terminal_opt_param::whole_select},
};

}  // namespace

CTerminalOptDlg::CTerminalOptDlg(QWidget* parent) : COptDialog(parent) {
  auto* options = new QGroupBox("Options", this);
  m_wndPrompt = with_id(new QCheckBox("Prompt when pasting more than", options), 401);
  m_wndLines = number_field(options, 402);
  m_wndLines->setMaximumWidth(60);
  auto* row = new QHBoxLayout(options);
  row->addWidget(m_wndPrompt);
  row->addWidget(m_wndLines);
  row->addWidget(new QLabel("lines", options));
  row->addStretch(1);

  auto* mouse = new QGroupBox("Mouse", this);
  auto* boxes = new QVBoxLayout(mouse);
  for (const mouse_box& box : mouse_boxes) {
    auto* check = with_id(new QCheckBox(box.label, mouse), box.id);
    boxes->addWidget(check);
    BindFlag(check, m_options.*box.member);
  }

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(options);
  layout->addWidget(mouse);
  layout->addStretch(1);

  connect(m_wndPrompt, &QCheckBox::clicked, this, [this](bool checked) {
    m_options.prompt_mline_paste = checked;
    m_wndLines->setEnabled(checked);
    OnModified();
  });
  connect(m_wndLines, &QLineEdit::textChanged, this, [this](const QString& text) {
    m_options.lines = field_number(text).value_or(0);
    OnModified();
  });
}

void CTerminalOptDlg::LoadFromConfig() { m_options = *configuration::instance().terminal_options; }

void CTerminalOptDlg::StoreToConfig() { *configuration::instance().terminal_options = m_options; }

void CTerminalOptDlg::OnInitDialog() {
  LoadFromConfig();
  m_wndPrompt->setChecked(m_options.prompt_mline_paste);
  m_wndLines->setText(number_text(m_options.lines));
  m_wndLines->setEnabled(m_options.prompt_mline_paste);
  for (const mouse_box& box : mouse_boxes)
    findChild<QCheckBox*>(QStringLiteral("id_%1").arg(box.id))->setChecked(m_options.*box.member);
}
