#include "settings/CTerminalAppearanceDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "config/color_scheme_param.h"
#include "config/configuration.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "settings/controls/CCursorSample.h"
#include "settings/controls/number_field.h"
#include "settings/cursor_controls.h"
#include "settings/option_fields.h"
#include "settings/option_lists.h"
#include "settings/scheme_names.h"

namespace {

// The cursor stands on the fourth character of the sample.
constexpr int sample_cursor_column = 3;

}  // namespace

CTerminalAppearanceDlg::CTerminalAppearanceDlg(const color_scheme_param& schemes, QWidget* parent)
    : COptDialog(parent), m_schemes(schemes) {
  auto* options = new QGroupBox("Options", this);
  m_wndMargin = number_field(options, 403);
  m_wndLineSpacing = number_field(options, 404);
  m_wndMaxColumn = number_field(options, 405);
  m_wndIndicate = with_id(new QCheckBox("Display terminal size on status bar", options), 406);
  auto* grid = new QGridLayout(options);
  grid->addWidget(new QLabel("Terminal Margin:", options), 0, 0);
  grid->addWidget(m_wndMargin, 0, 1);
  grid->addWidget(new QLabel("Pixel", options), 0, 2);
  grid->addWidget(new QLabel("Line Spacing:", options), 1, 0);
  grid->addWidget(m_wndLineSpacing, 1, 1);
  grid->addWidget(new QLabel("Pixel", options), 1, 2);
  grid->addWidget(new QLabel("Max Column Number:", options), 2, 0);
  grid->addWidget(m_wndMaxColumn, 2, 1);
  grid->addWidget(m_wndIndicate, 3, 0, 1, 3);
  grid->setColumnStretch(3, 1);

  auto* defaults = new QGroupBox("Color Scheme and Console Type", this);
  m_wndScheme = with_id(new QComboBox(defaults), 410);
  m_wndConsole = with_id(new QComboBox(defaults), 1006);
  auto* choices = new QGridLayout(defaults);
  choices->addWidget(new QLabel("Use this as default color scheme:", defaults), 0, 0);
  choices->addWidget(m_wndScheme, 0, 1);
  choices->addWidget(new QLabel("Use this as default console type:", defaults), 1, 0);
  choices->addWidget(m_wndConsole, 1, 1);

  auto* cursor = new QGroupBox("Cursor", this);
  const cursor_controls caret = add_cursor_controls(*cursor);
  m_wndStyle = caret.style;
  m_wndInterval = caret.interval;
  m_wndSample = caret.sample;
  m_wndSample->setText("Tessary");

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(options);
  layout->addWidget(defaults);
  layout->addWidget(cursor);
  layout->addStretch(1);

  for (QLineEdit* field : {m_wndMargin, m_wndLineSpacing, m_wndMaxColumn})
    connect(field, &QLineEdit::textChanged, this, &CTerminalAppearanceDlg::OnModified);
  connect(m_wndIndicate, &QCheckBox::clicked, this, &CTerminalAppearanceDlg::OnModified);
  for (QComboBox* combo : {m_wndScheme, m_wndConsole})
    connect(combo, &QComboBox::activated, this, &CTerminalAppearanceDlg::OnModified);
  connect(m_wndStyle, &QComboBox::activated, this, &CTerminalAppearanceDlg::UpdateCursorSample);
  connect(m_wndInterval, &QLineEdit::textChanged, this, &CTerminalAppearanceDlg::UpdateCursorSample);
}

void CTerminalAppearanceDlg::LoadFromConfig() { m_appearance = *configuration::instance().terminal_appearance; }

void CTerminalAppearanceDlg::StoreToConfig() { *configuration::instance().terminal_appearance = m_appearance; }

void CTerminalAppearanceDlg::OnInitDialog() {
  LoadFromConfig();
  m_wndMargin->setText(number_text(m_appearance.margin));
  m_wndLineSpacing->setText(number_text(m_appearance.line_spacing));
  m_wndMaxColumn->setText(number_text(m_appearance.max_column));
  m_wndIndicate->setChecked(m_appearance.indicate_size);
  m_wndStyle->setCurrentIndex(m_appearance.cursor_type);
  m_wndInterval->setText(number_text(m_appearance.cursor_interval));
  m_wndSample->ShowCursor(m_appearance.cursor_type, sample_cursor_column,
                          static_cast<int>(m_appearance.cursor_interval));
  for (const char* type : terminal_types) m_wndConsole->addItem(type);
  const int console = m_wndConsole->findText(platform::to_qstring(m_appearance.default_console_type),
                                             Qt::MatchExactly | Qt::MatchCaseSensitive);
  m_wndConsole->setCurrentIndex(console >= 0 ? console : 0);
  FillSchemeCombo();
}

void CTerminalAppearanceDlg::FillSchemeCombo() {
  m_wndScheme->clear();
  if (!list_scheme_names(*m_wndScheme, m_schemes, m_appearance.default_color_scheme) && !m_schemes.schemes.empty()) {
    m_appearance.default_color_scheme = m_schemes.schemes.front().name;
    OnModified();
  }
}

void CTerminalAppearanceDlg::UpdateCursorSample() {
  const uint32_t interval = typed_cursor_interval(m_wndInterval->text());
  m_wndSample->ShowCursor(m_wndStyle->currentIndex(), sample_cursor_column, static_cast<int>(interval));
  OnModified();
}

bool CTerminalAppearanceDlg::Validate() {
  const std::optional<uint32_t> margin = field_number(m_wndMargin->text());
  if (!margin || *margin > margin_max) return Refuse(QString("Margin must <= %1 pixel!").arg(margin_max));
  m_appearance.margin = *margin;
  const std::optional<uint32_t> spacing = field_number(m_wndLineSpacing->text());
  if (!spacing || *spacing > line_spacing_max)
    return Refuse(QString("Line spacing must <= %1 pixel!").arg(line_spacing_max));
  m_appearance.line_spacing = *spacing;
  const std::optional<uint32_t> columns = field_number(m_wndMaxColumn->text());
  if (!columns || *columns < max_column_min)
    return Refuse(QString("Max Column number must >= %1!").arg(max_column_min));
  m_appearance.max_column = *columns;
  m_appearance.indicate_size = m_wndIndicate->isChecked();
  // With no style chosen the one there is stays.
  if (m_wndStyle->currentIndex() >= 0) m_appearance.cursor_type = m_wndStyle->currentIndex();
  m_appearance.default_color_scheme = platform::to_u16string(m_wndScheme->currentText());
  m_appearance.default_console_type = platform::to_u16string(m_wndConsole->currentText());
  const std::optional<uint32_t> interval = field_number(m_wndInterval->text());
  if (!interval || *interval < cursor_interval_min)
    return Refuse(QString("Cursor interval must >= %1ms!").arg(cursor_interval_min));
  if (*interval > cursor_interval_max) return Refuse(cursor_interval_too_long());
  m_appearance.cursor_interval = *interval;
  return true;
}
