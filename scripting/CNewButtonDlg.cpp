#include "scripting/CNewButtonDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/text_convert.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "scripting/button_icons.h"
#include "scripting/script_runner.h"
#include "settings/controls/control_look.h"

const std::u16string_view loop_sample =
    u"<%\r\nfor i=0,20,2 do\r\n  print(\"hello world \", i)\r\nend\r\n%>\r\n";

// The name field uses the key that `dialog` reads ("require"), so the sample shows a field
// that must be filled.
const std::u16string_view dialog_sample =
    u"<%\r\n"
    u"para = {\r\n"
    u"  ['title'] = 'Test Dialog',\r\n"
    u"  ['items'] = {\r\n"
    u"    {['id'] = 'name', ['label'] = 'Name', ['type'] = 'edit', ['default'] = 'Your Name', ['require'] = true},\r\n"
    u"    {['id'] = 'sex', ['label'] = 'Sex', ['type'] = 'droplist', ['options'] = {'male', 'female'},"
    u" ['default'] = 'female'}\r\n"
    u"  }\r\n"
    u"}\r\n"
    u"if dialog(para) then\r\n"
    u"  nprint(\"echo 'Your name is \", _G['name'], \" and you are \", _G['sex'], \"!'\\n\")\r\n"
    u"end\r\n"
    u"%>";

namespace {

// The edit boxes hold plain line feeds; the stored template has CR LF.
QString edit_text(std::u16string_view stored) {
  return platform::to_qstring(stored).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::u16string stored_text(QString shown) {
  return platform::to_u16string(shown.replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
}

QLabel* sample_link(const QString& text, int id, QWidget* parent) {
  auto* link = with_id(new QLabel(QStringLiteral("<a href=\"sample\">%1</a>").arg(text), parent), id);
  link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  return link;
}

}  // namespace

CNewButtonDlg::CNewButtonDlg(std::u16string_view label, int32_t icon_index, std::u16string_view tooltip,
                             std::u16string_view script, QWidget* parent)
    : QDialog(parent), m_strLabel(label), m_strTooltip(tooltip), m_strScript(script), m_nIconIndex(icon_index) {
  setObjectName("CNewButtonDlg");
  setWindowTitle("Button Design - Powered by Lua");
  setWindowFlag(Qt::WindowMaximizeButtonHint);
  setSizeGripEnabled(true);
  setMinimumSize(minimum_width, minimum_height);

  m_wndLabel = with_id(new QLineEdit(platform::to_qstring(m_strLabel), this), 1016);
  m_wndTooltip = with_id(new QLineEdit(platform::to_qstring(m_strTooltip), this), 1018);
  m_wndIcon = with_id(new QComboBox(this), 1033);
  m_wndIcon->setIconSize(QSize(button_icon_size, button_icon_size));
  for (int i = 0; i < button_icon_count; ++i) m_wndIcon->addItem(button_icon(i), QString());
  m_wndIcon->setCurrentIndex(icon_index >= 0 && icon_index < button_icon_count ? icon_index : 0);
  connect(m_wndIcon, &QComboBox::activated, this, [this] { m_bIconChosen = true; });

  m_wndScript = with_id(new QPlainTextEdit(edit_text(m_strScript), this), 1020);
  m_wndScript->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_wndScript->setFont(point_font("Courier New", 10, *m_wndScript));
  m_wndOutput = with_id(new QPlainTextEdit(this), 1021);
  m_wndOutput->setReadOnly(true);
  m_wndOutput->setFixedHeight(m_wndOutput->fontMetrics().lineSpacing() * 6);
  QLabel* dialog_link = sample_link("Dialog Sample", 1024, this);
  QLabel* loop_link = sample_link("Loop Sample", 1025, this);
  connect(dialog_link, &QLabel::linkActivated, this, [this] { InsertSample(dialog_sample); });
  connect(loop_link, &QLabel::linkActivated, this, [this] { InsertSample(loop_sample); });

  m_wndTest = with_id(new QPushButton("Test", this), 1008);
  m_wndTest->setAutoDefault(false);
  m_wndOk = with_id(new QPushButton("OK", this), 1);
  m_wndOk->setDefault(true);
  auto* cancel = with_id(new QPushButton("Cancel", this), 2);
  cancel->setAutoDefault(false);
  connect(m_wndTest, &QPushButton::clicked, this, &CNewButtonDlg::OnTest);
  connect(m_wndOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  // Growing the window grows the script box both ways and widens the output box, which keeps
  // its height; the buttons stay at the bottom right.
  auto* fields = new QGridLayout;
  fields->addWidget(new QLabel("Button Name:", this), 0, 0);
  fields->addWidget(m_wndLabel, 0, 1);
  fields->addWidget(m_wndIcon, 0, 2);
  fields->addWidget(new QLabel("Tooltip Text:", this), 1, 0);
  fields->addWidget(m_wndTooltip, 1, 1, 1, 2);
  auto* script_title = new QHBoxLayout;
  script_title->addWidget(new QLabel("Script:", this));
  script_title->addStretch(1);
  script_title->addWidget(dialog_link);
  script_title->addWidget(loop_link);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_wndTest);
  buttons->addWidget(m_wndOk);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(script_title);
  layout->addWidget(m_wndScript, 1);
  layout->addWidget(with_id(new QLabel("Output:", this), 1022));
  layout->addWidget(m_wndOutput);
  layout->addLayout(buttons);

  m_wndOk->setEnabled(!m_wndLabel->text().trimmed().isEmpty());
  connect(m_wndLabel, &QLineEdit::textChanged, this, &CNewButtonDlg::OnLabelChanged);
}

void CNewButtonDlg::OnLabelChanged(const QString& text) { m_wndOk->setEnabled(!text.trimmed().isEmpty()); }

void CNewButtonDlg::InsertSample(std::u16string_view sample) { m_wndScript->insertPlainText(edit_text(sample)); }

void CNewButtonDlg::OnTest() {
  // The edit holds plain line feeds already, as the runner wants them.
  const std::string script = wcs_to_string(platform::to_u16string(m_wndScript->toPlainText()));
  script_runner& runner = script_runner::instance();
  std::string output;
  if (runner.expand_template(this, script, output) != 0) output = "Run script failed!\n" + runner.error;
  m_wndOutput->setPlainText(platform::to_qstring(mbs_to_wstring(output)));
}

void CNewButtonDlg::accept() {
  if (!m_wndOk->isEnabled()) return;
  if (m_bIconChosen || (m_nIconIndex >= 0 && m_nIconIndex < button_icon_count)) m_nIconIndex = m_wndIcon->currentIndex();
  m_strLabel = platform::to_u16string(m_wndLabel->text());
  m_strTooltip = platform::to_u16string(m_wndTooltip->text());
  m_strScript = stored_text(m_wndScript->toPlainText());
  QDialog::accept();
}
