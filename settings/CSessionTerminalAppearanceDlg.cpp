#include "settings/CSessionTerminalAppearanceDlg.h"

#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/ansi_color_param.h"
#include "config/configuration.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "platform/ui.h"
#include "settings/CNewColorSchemeDlg.h"
#include "settings/CNewColorSchemeNameDlg.h"
#include "settings/CSessionOptionsDlg.h"
#include "settings/color_list_edits.h"
#include "settings/controls/CCursorSample.h"
#include "settings/cursor_controls.h"
#include "settings/option_fields.h"
#include "settings/scheme_names.h"

CSessionTerminalAppearanceDlg::CSessionTerminalAppearanceDlg(CSessionOptionsDlg& dialog, QWidget* parent)
    : COptDialog(parent), m_dialog(dialog) {
  auto* schemes = new QGroupBox("Current Color Scheme", this);
  m_wndScheme = with_id(new QComboBox(schemes), 426);
  m_wndEdit = with_id(new QPushButton("Edit...", schemes), 427);
  m_wndNew = with_id(new QPushButton("New...", schemes), 428);
  auto* scheme_row = new QHBoxLayout(schemes);
  scheme_row->addWidget(m_wndScheme, 1);
  scheme_row->addWidget(m_wndEdit);
  scheme_row->addWidget(m_wndNew);

  auto* looks = new QGroupBox("Font and Cursor", this);
  const cursor_controls caret = add_cursor_controls(*looks);
  m_wndStyle = caret.style;
  m_wndInterval = caret.interval;
  m_wndSample = caret.sample;
  m_wndFont = with_id(new QPushButton("Font...", looks), 429);
  caret.grid->addWidget(m_wndFont, 2, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(schemes);
  layout->addWidget(looks);
  layout->addStretch(1);

  connect(m_wndScheme, &QComboBox::activated, this, &CSessionTerminalAppearanceDlg::OnSchemeChanged);
  connect(m_wndStyle, &QComboBox::activated, this, &CSessionTerminalAppearanceDlg::OnStyleChanged);
  connect(m_wndInterval, &QLineEdit::textChanged, this, &CSessionTerminalAppearanceDlg::OnIntervalChanged);
  connect(m_wndFont, &QPushButton::clicked, this, &CSessionTerminalAppearanceDlg::OnFont);
  connect(m_wndEdit, &QPushButton::clicked, this, &CSessionTerminalAppearanceDlg::OnEditScheme);
  connect(m_wndNew, &QPushButton::clicked, this, &CSessionTerminalAppearanceDlg::OnNewScheme);
}

void CSessionTerminalAppearanceDlg::LoadFromConfig() { m_pSession = &m_dialog.m_session; }

void CSessionTerminalAppearanceDlg::OnInitDialog() {
  LoadFromConfig();
  session_appearance& look = m_pSession->appearance;
  list_scheme_names(*m_wndScheme, m_dialog.m_schemes, look.color_scheme);
  m_wndStyle->setCurrentIndex(look.cursor_type);
  // An interval below the least the cursor blinks at is raised at once.
  if (look.cursor_interval < static_cast<int32_t>(cursor_interval_min)) {
    look.cursor_interval = static_cast<int32_t>(cursor_interval_min);
    OnModified();
  }
  m_wndInterval->setText(number_text(static_cast<uint32_t>(look.cursor_interval)));
  UpdateSample();
}

bool CSessionTerminalAppearanceDlg::Validate() {
  // Below the least is raised as it is typed; above the most is refused.
  if (field_number(m_wndInterval->text()).value_or(0) > cursor_interval_max) return Refuse(cursor_interval_too_long());
  return true;
}

void CSessionTerminalAppearanceDlg::UpdateSample() {
  const session_appearance& look = m_pSession->appearance;
  const color_scheme& scheme = m_dialog.m_schemes.find_scheme(look.color_scheme);
  const QString text = QString("%1 %2pt ").arg(platform::to_qstring(look.font_name)).arg(look.font_size);
  m_wndSample->setText(text);
  m_wndSample->m_strFaceName = platform::to_qstring(look.font_name);
  m_wndSample->m_nPointSize = look.font_size;
  m_wndSample->m_crText = scheme.foreground;
  m_wndSample->m_crBackground = scheme.background;
  m_wndSample->ShowCursor(look.cursor_type, static_cast<int>(text.size()) - 1, look.cursor_interval);
}

void CSessionTerminalAppearanceDlg::UseScheme(const QString& name) {
  m_pSession->appearance.color_scheme = platform::to_u16string(name);
  m_pSession->appearance.resolve_colors(m_dialog.m_schemes, *configuration::instance().ansi_colors);
  OnModified();
  UpdateSample();
}

void CSessionTerminalAppearanceDlg::OnSchemeChanged() { UseScheme(m_wndScheme->currentText()); }

void CSessionTerminalAppearanceDlg::OnStyleChanged() {
  // With no style chosen the one there is stays.
  if (m_wndStyle->currentIndex() >= 0) m_pSession->appearance.cursor_type = m_wndStyle->currentIndex();
  OnModified();
  UpdateSample();
}

void CSessionTerminalAppearanceDlg::OnIntervalChanged() {
  m_pSession->appearance.cursor_interval = static_cast<int32_t>(typed_cursor_interval(m_wndInterval->text()));
  OnModified();
  UpdateSample();
}

void CSessionTerminalAppearanceDlg::OnFont() {
  session_appearance& look = m_pSession->appearance;
  QFont initial(platform::to_qstring(look.font_name));
  initial.setPointSize(std::max(1, look.font_size));
  std::optional<QFont> chosen = platform::ui::instance().pick_font(this, initial, true);
  if (!chosen) return;
  look.font_name = platform::to_u16string(chosen->family());
  // Whole points, as the record keeps them.
  look.font_size = static_cast<int32_t>(chosen->pointSizeF());
  OnModified();
  UpdateSample();
}

void CSessionTerminalAppearanceDlg::OnEditScheme() {
  std::vector<color_scheme>& schemes = m_dialog.m_schemes.schemes;
  if (schemes.empty()) return;
  const std::u16string name = platform::to_u16string(m_wndScheme->currentText());
  color_scheme* scheme = find_exact(schemes, name);
  if (!scheme) scheme = &schemes.front();
  CNewColorSchemeDlg editor(*configuration::instance().ansi_colors, std::nullopt, *scheme,
                            find_builtin_color_scheme(name), this);
  if (platform::ui::instance().run_modal(editor) != platform::IDOK) return;
  *scheme = editor.m_scheme;
  m_dialog.m_bSchemesChanged = true;
  UpdateSample();
}

void CSessionTerminalAppearanceDlg::OnNewScheme() {
  CNewColorSchemeNameDlg name(m_dialog.m_schemes, this);
  if (platform::ui::instance().run_modal(name) != platform::IDOK) return;
  CNewColorSchemeDlg editor(*configuration::instance().ansi_colors, name.m_strName, builtin_color_schemes[0],
                            nullptr, this);
  if (platform::ui::instance().run_modal(editor) != platform::IDOK) return;
  m_dialog.m_schemes.schemes.push_back(editor.m_scheme);
  m_dialog.m_bSchemesChanged = true;
  m_wndScheme->addItem(platform::to_qstring(editor.m_scheme.name));
  m_wndScheme->setCurrentIndex(m_wndScheme->count() - 1);
  UseScheme(m_wndScheme->currentText());
}
