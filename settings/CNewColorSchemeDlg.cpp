#include "settings/CNewColorSchemeDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "config/ansi_color_param.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "settings/color_swatch.h"
#include "settings/controls/CCaption.h"
#include "settings/controls/CSampleListBox.h"
#include "settings/controls/control_look.h"
#include "settings/controls/dialog_buttons.h"

namespace {

constexpr const char* ansi_color_names[] = {"Black", "Red", "Green", "Yellow", "Blue", "Magenta", "Cyan", "White"};

}  // namespace

CNewColorSchemeDlg::CNewColorSchemeDlg(const ansi_color_param& plans, const std::optional<std::u16string>& new_name,
                                       const color_scheme& source, const color_scheme* builtin, QWidget* parent)
    : QDialog(parent), m_scheme(source), m_pBuiltin(builtin), m_plans(plans) {
  setObjectName("CNewColorSchemeDlg");
  if (new_name) m_scheme.name = *new_name;

  auto* group = new QGroupBox("Property", this);
  m_wndPreview = with_id(new CSampleListBox(group), 388);
  m_wndPreview->m_strFaceName = "Lucida Console";
  m_wndPreview->m_nPointSize = 10;
  m_wndPreview->setMinimumSize(200, 240);
  m_wndForeground = make_swatch(group, 393);
  m_wndBackground = make_swatch(group, 394);
  m_wndMonochrome = with_id(new QRadioButton("Monochrome", group), 390);
  m_wndAnsi = with_id(new QRadioButton("ANSI Color", group), 391);
  m_wndPlan = with_id(new QComboBox(group), 376);
  m_wndReset = with_id(new QPushButton("Reset", group), 392);
  for (const ansi_color_plan& plan : m_plans.plans) m_wndPlan->addItem(platform::to_qstring(plan.name));

  auto* grid = new QGridLayout(group);
  grid->addWidget(m_wndPreview, 0, 0, 7, 1);
  grid->addWidget(new QLabel("Foreground:", group), 0, 1);
  grid->addWidget(m_wndForeground, 0, 2);
  grid->addWidget(new QLabel("Background:", group), 1, 1);
  grid->addWidget(m_wndBackground, 1, 2);
  grid->addWidget(m_wndMonochrome, 2, 1, 1, 2);
  grid->addWidget(m_wndAnsi, 3, 1, 1, 2);
  grid->addWidget(new QLabel("ANSI color plan:", group), 4, 1, 1, 2);
  grid->addWidget(m_wndPlan, 5, 1, 1, 2);
  grid->setRowStretch(6, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  auto* row = new QHBoxLayout;
  row->addWidget(m_wndReset);
  layout->addLayout(row);
  add_ok_cancel(*this, *row);

  connect(m_wndForeground, &CCaption::STN_CLICKED, this, [this] { OnSwatchClicked(true); });
  connect(m_wndBackground, &CCaption::STN_CLICKED, this, [this] { OnSwatchClicked(false); });
  connect(m_wndMonochrome, &QRadioButton::clicked, this, &CNewColorSchemeDlg::OnModeChanged);
  connect(m_wndAnsi, &QRadioButton::clicked, this, &CNewColorSchemeDlg::OnModeChanged);
  connect(m_wndPlan, &QComboBox::activated, this, &CNewColorSchemeDlg::OnPlanChanged);
  connect(m_wndReset, &QPushButton::clicked, this, &CNewColorSchemeDlg::OnReset);

  setWindowTitle(QString("Color Scheme: %1").arg(platform::to_qstring(m_scheme.name)));
  Refresh();
}

void CNewColorSchemeDlg::Refresh() {
  show_swatch_color(*m_wndForeground, m_scheme.foreground);
  show_swatch_color(*m_wndBackground, m_scheme.background);
  m_wndPreview->m_crBackground = m_scheme.background;
  m_wndPreview->m_font = point_font(m_wndPreview->m_strFaceName, m_wndPreview->m_nPointSize, *m_wndPreview);
  FillPreview();
  m_wndMonochrome->setChecked(!m_scheme.ansi_color_mode);
  m_wndAnsi->setChecked(m_scheme.ansi_color_mode);
  m_wndReset->setEnabled(m_pBuiltin != nullptr);
  // Plan names are told apart exactly, capitals included.
  const int plan = m_wndPlan->findText(platform::to_qstring(m_scheme.ansi_color_plan),
                                       Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (plan >= 0) m_wndPlan->setCurrentIndex(plan);
  m_wndPlan->setEnabled(m_scheme.ansi_color_mode);
}

void CNewColorSchemeDlg::FillPreview() {
  m_wndPreview->setUpdatesEnabled(false);
  m_wndPreview->clear();
  if (m_scheme.ansi_color_mode) {
    const ansi_color_plan& plan = m_plans.find_plan(m_scheme.ansi_color_plan);
    for (int n = 0; n < 8; ++n) {
      const QString name = QString("ANSI %1").arg(ansi_color_names[n]);
      m_wndPreview->AddString(name, plan.colors[static_cast<size_t>(n)]);
      m_wndPreview->AddString(name + " Bold", plan.colors[static_cast<size_t>(n + 8)]);
    }
  } else {
    m_wndPreview->AddString("Normal", m_scheme.foreground);
    m_wndPreview->AddString("Bold", m_scheme.foreground);
  }
  m_wndPreview->setUpdatesEnabled(true);
  m_wndPreview->viewport()->update();
}

void CNewColorSchemeDlg::OnSwatchClicked(bool foreground) {
  std::optional<color_ref> color = pick_swatch_color(foreground ? *m_wndForeground : *m_wndBackground);
  if (!color) return;
  if (foreground) {
    m_scheme.foreground = *color;
    if (!m_scheme.ansi_color_mode) FillPreview();
  } else {
    m_scheme.background = *color;
    m_wndPreview->m_crBackground = *color;
    m_wndPreview->viewport()->update();
  }
}

void CNewColorSchemeDlg::OnModeChanged() {
  const bool ansi = !m_wndMonochrome->isChecked();
  if (ansi == m_scheme.ansi_color_mode) return;
  m_scheme.ansi_color_mode = ansi;
  m_wndPlan->setEnabled(ansi);
  FillPreview();
}

void CNewColorSchemeDlg::OnPlanChanged() {
  m_scheme.ansi_color_plan = platform::to_u16string(m_wndPlan->currentText());
  FillPreview();
}

void CNewColorSchemeDlg::OnReset() {
  if (!m_pBuiltin) return;
  m_scheme = *m_pBuiltin;
  Refresh();
}
