#include "explorer/CPathBarEx.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include "config/paths.h"
#include "config/text_convert.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "platform/ui.h"
#include "settings/controls/CIconButton.h"

// Qt resources of a static library are registered by name, outside any namespace.
static void load_explorer_resources() { Q_INIT_RESOURCE(explorer); }

namespace {

constexpr int home_icon = 339;
constexpr int enter_icon = 374;
constexpr int icon_size = 16;
// Between the path box and each button.
constexpr int path_gap = 2;

std::string narrowed_trimmed(const QString& text) { return wcs_to_string(platform::to_u16string(text.trimmed())); }

// A remote folder as the server knows it: each run of '/' becomes one, and a trailing '/' goes
// unless it is the whole path. A backslash is an ordinary byte of a remote name and stays.
std::string remote_folder_path(const std::string& path) {
  std::string out;
  out.reserve(path.size());
  for (char c : path)
    if (c != '/' || out.empty() || out.back() != '/') out += c;
  if (out.size() >= 2 && out.back() == '/') out.pop_back();
  return out;
}

}  // namespace

CPathBarEx::CPathBarEx(QWidget* parent) : QWidget(parent) {
  load_explorer_resources();
  setObjectName("CPathBarEx");
  setAutoFillBackground(true);
  QPalette window_colour = palette();
  window_colour.setColor(QPalette::Window, window_colour.color(QPalette::Base));
  setPalette(window_colour);

  m_wndPath = with_id(new QComboBox(this), id_path);
  m_wndPath->setEditable(true);
  m_wndPath->setInsertPolicy(QComboBox::NoInsert);
  // The box keeps the keyboard focus and hands typed keys to its edit field itself, so Enter
  // is looked for at both.
  m_wndPath->installEventFilter(this);
  m_wndPath->lineEdit()->installEventFilter(this);
  m_btnHome = with_id(new CIconButton(this), id_home);
  m_btnHome->SetIconAndCaption(home_icon, icon_size, nullptr);
  m_btnHome->setToolTip("Return to home directory");
  m_btnEnter = with_id(new CIconButton(this), id_enter);
  m_btnEnter->SetIconAndCaption(enter_icon, icon_size, QStringLiteral("Enter"));
  m_btnEnter->setToolTip("Enter the specified path");
  connect(m_btnHome, &CIconButton::STN_CLICKED, this, [this] { OnHome(); });
  connect(m_btnEnter, &CIconButton::STN_CLICKED, this, [this] { OnEnter(); });

  m_nHeight = 2 * m_nMargin + m_wndPath->sizeHint().height();
  setFixedHeight(m_nHeight);
}

int CPathBarEx::SetPath(const char* path) {
  m_strCurrent = remote_folder_path(path ? path : "");
  m_wndPath->setEditText(platform::to_qstring(mbs_to_wstring(m_strCurrent)));
  return 1;
}

std::string CPathBarEx::ChildPath(const std::string& name) const {
  if (name == ".") return m_strCurrent;
  if (name == "..") {
    size_t slash = m_strCurrent.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : m_strCurrent.substr(0, slash);
  }
  return m_strCurrent + "/" + name;
}

void CPathBarEx::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  QRect area = rect().adjusted(m_nMargin, m_nMargin, -m_nMargin, -m_nMargin);
  int h = area.height();
  m_btnHome->setGeometry(area.left(), area.top(), h, h);
  int enter_width = m_btnEnter->CalcIdealRect().width();
  m_btnEnter->setGeometry(area.right() + 1 - enter_width, area.top(), enter_width, h);
  int path_left = area.left() + h + path_gap;
  int path_right = area.right() + 1 - enter_width - path_gap;
  m_wndPath->setGeometry(path_left, area.top(), std::max(0, path_right - path_left), h);
}

bool CPathBarEx::eventFilter(QObject* watched, QEvent* e) {
  if ((watched == m_wndPath || watched == m_wndPath->lineEdit()) && e->type() == QEvent::KeyPress) {
    int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      OnPathEntered();
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}

void CPathBarEx::OnPathEntered() {
  std::string typed = narrowed_trimmed(m_wndPath->currentText());
  if (typed.empty()) {
    platform::ui::instance().message_box(this, "Invalid path!", "Error", platform::MB_OK | platform::MB_ICONERROR);
    return;
  }
  Request(normalize_path(typed));
}

void CPathBarEx::OnHome() { Request(m_strHome); }

void CPathBarEx::OnEnter() {
  // Sent as typed, not normalised.
  std::string typed = narrowed_trimmed(m_wndPath->currentText());
  if (!typed.empty()) Request(typed);
}

void CPathBarEx::Request(const std::string& folder) {
  if (list_folder) list_folder(folder);
}
