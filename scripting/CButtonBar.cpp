#include "scripting/CButtonBar.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QSignalBlocker>

#include <algorithm>
#include <new>
#include <utility>

#include "config/button_bar_param.h"
#include "config/configuration.h"
#include "config/text_convert.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "platform/ui.h"
#include "scripting/CNewButtonDlg.h"
#include "scripting/CNewCategoryDlg.h"
#include "scripting/button_icons.h"
#include "scripting/button_row.h"
#include "scripting/script_runner.h"
#include "settings/controls/CIconButton.h"
#include "settings/controls/control_look.h"
#include "terminal/CTerminalView.h"
#include "terminal/send_queue.h"
#include "terminal/session_frame.h"

namespace {

// Tells the user on the status bar why a press sent nothing.
void tell(const QString& text) {
  if (session_frame* frame = session_frame::instance()) frame->show_status(text);
}

// The terminal view of the active session tab when its session is connected; otherwise null,
// and the status bar says why. A text is never kept for a later connection: it would run at the
// prompt of a shell that the user has not seen yet.
CTerminalView* connected_terminal_view() {
  session_frame* frame = session_frame::instance();
  auto* view = dynamic_cast<CTerminalView*>(frame ? frame->active_view() : nullptr);
  if (!view) {
    tell(session_frame::no_terminal_message);
    return nullptr;
  }
  if (view->ConnectionState() != state_connected) {
    tell(session_frame::not_connected_message);
    return nullptr;
  }
  return view;
}

// The status bar's note for a template that failed: the reason's first line, as the button
// editor's Test shows it in full.
QString script_failed_message(const std::string& error) {
  const std::string reason = error.substr(0, error.find('\n'));
  return QStringLiteral("Run script failed! ") + platform::to_qstring(mbs_to_wstring(reason));
}

std::u16string without_carriage_returns(std::u16string text) {
  size_t at = 0;
  while ((at = text.find(u"\r\n", at)) != std::u16string::npos) text.erase(at, 1);
  return text;
}

}  // namespace

CButtonBar::CButtonBar(QWidget* parent, configuration* store)
    : QDockWidget("Button Bar", parent), m_pStore(store ? store : &configuration::instance()) {
  setObjectName("ButtonBar");
  setAllowedAreas(Qt::BottomDockWidgetArea);
  setFeatures(QDockWidget::DockWidgetClosable);
  // No caption: the pane is one row of controls.
  setTitleBarWidget(new QWidget(this));
  m_wndClient = with_id(new QWidget(this), pane_id);
  m_wndClient->installEventFilter(this);
  setWidget(m_wndClient);

  m_wndOverflow = with_id(new CIconButton(m_wndClient), overflow_id);
  m_wndOverflow->SetIconAndCaption(0, 0, QStringLiteral(">>"));
  m_wndOverflow->hide();
  connect(m_wndOverflow, &CIconButton::IBN_LBUTTONUP, this, &CButtonBar::OnButtonUp);

  m_wndCategory = with_id(new QComboBox(m_wndClient), combo_id);
  m_wndCategory->setFont(point_font("Microsoft Sans Serif", 8, *m_wndCategory));
  m_nComboHeight = m_wndCategory->sizeHint().height();
  connect(m_wndCategory, &QComboBox::activated, this, &CButtonBar::SwitchCategory);

  m_menuContext = new QMenu(this);
  auto add = [this](int id, const char* text) {
    QAction* action = with_id(m_menuContext->addAction(text), id);
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
  };
  add(ID_NEW_BUTTON, "New Button...");
  add(ID_EDIT_BUTTON, "Edit Button...");
  add(ID_MOVE_BUTTON_LEFT, "Move Button Left");
  add(ID_MOVE_BUTTON_RIGHT, "Move Button Right");
  add(ID_DELETE_BUTTON, "Delete Button");
  m_menuContext->addSeparator();
  add(ID_COPY_BUTTON, "Copy Button");
  add(ID_PASTE_BUTTON, "Paste Button");
  m_menuContext->addSeparator();
  add(ID_NEW_CATEGORY, "New Category...");
  add(ID_EDIT_CATEGORY, "Edit Category...");
  add(ID_DELETE_CATEGORY, "Delete Category");
  m_menuOverflow = new QMenu(this);

  button_bar_param& bar = Bar();
  for (const auto& category : bar.categories) {
    m_wndCategory->addItem(platform::to_qstring(category->name));
    for (const auto& button : category->buttons) CreateButton(*button);
  }
  m_wndCategory->setCurrentIndex(bar.active_category);
  // One row: the combo box or a button with its icon, whichever is taller, with a margin.
  const int row = std::max({m_nComboHeight, m_wndOverflow->CalcIdealRect().height(),
                            button_icon_size + 2 * m_wndOverflow->m_nInnerMargin});
  m_wndClient->setFixedHeight(row + 10);
  LayoutButtons();
}

button_bar_param& CButtonBar::Bar() const { return *m_pStore->button_bar; }

button_category* CButtonBar::Active() const { return Bar().active(); }

CIconButton* CButtonBar::CreateButton(button_item& button) {
  auto* control = with_id(new CIconButton(m_wndClient), script_button_id);
  control->hide();
  control->m_bThemed = true;
  ShowButtonText(button, *control);
  connect(control, &CIconButton::IBN_LBUTTONUP, this, &CButtonBar::OnButtonUp);
  delete button.control.data();
  button.control = control;
  return control;
}

void CButtonBar::ShowButtonText(const button_item& button, CIconButton& control) {
  control.SetIconAndCaption(button_icon_resource(button.icon_index), button_icon_size,
                            platform::to_qstring(button.label));
  control.setToolTip(platform::to_qstring(button.tooltip));
  m_idealSizes[&control] = control.CalcIdealRect().size();
}

void CButtonBar::LayoutButtons() {
  button_category* category = Active();
  std::vector<QSize> sizes;
  if (category)
    for (const auto& button : category->buttons) {
      const auto known = m_idealSizes.find(button->control.data());
      sizes.push_back(button->control && known != m_idealSizes.end() ? known->second : QSize());
    }
  const button_row row = layout_button_row(m_wndClient->rect(), m_nComboHeight, m_nComboWidth,
                                           m_wndOverflow->CalcIdealRect().size(), sizes);
  m_wndCategory->setGeometry(row.combo);
  if (row.overflow_shown) {
    m_wndOverflow->setGeometry(row.overflow);
    m_wndOverflow->show();
  } else {
    m_wndOverflow->hide();
  }
  m_nFirstHidden = row.first_hidden;
  if (!category) return;
  for (size_t i = 0; i < category->buttons.size(); ++i) {
    QWidget* control = category->buttons[i]->control;
    if (!control) continue;
    if (row.buttons[i].isEmpty()) {
      control->hide();
    } else {
      control->setGeometry(row.buttons[i]);
      control->show();
    }
  }
}

bool CButtonBar::eventFilter(QObject* watched, QEvent* e) {
  if (watched == m_wndClient) {
    switch (e->type()) {
      case QEvent::Resize:
        LayoutButtons();
        break;
      case QEvent::Paint: {
        QPainter painter(m_wndClient);
        painter.fillRect(m_wndClient->rect(), color_ref_to_qcolor(control_background_color()));
        return true;
      }
      case QEvent::ContextMenu:
        OnContextMenu(static_cast<QContextMenuEvent*>(e)->globalPos());
        return true;
      default:
        break;
    }
  }
  return QDockWidget::eventFilter(watched, e);
}

void CButtonBar::OnButtonUp(CIconButton* sender) {
  if (sender == m_wndOverflow) {
    ShowOverflowMenu();
    return;
  }
  if (button_category* category = Active())
    for (const auto& button : category->buttons)
      if (button->control == sender) {
        RunButton(*button);
        return;
      }
}

void CButtonBar::ShowOverflowMenu() {
  m_menuOverflow->clear();
  button_category* category = Active();
  if (!category || m_nFirstHidden < 0) return;
  for (size_t i = static_cast<size_t>(m_nFirstHidden); i < category->buttons.size(); ++i) {
    button_item* button = category->buttons[i].get();
    QAction* action = m_menuOverflow->addAction(platform::to_qstring(button->label));
    // The entry names its record, so every hidden button runs, however many there are.
    connect(action, &QAction::triggered, this, [this, button] {
      if (button_category* shown = Active())
        for (const auto& candidate : shown->buttons)
          if (candidate.get() == button) RunButton(*button);
    });
  }
  m_menuOverflow->popup(QCursor::pos());
}

void CButtonBar::RunButton(const button_item& button) {
  if (!connected_terminal_view()) return;
  const std::string script = wcs_to_string(without_carriage_returns(button.script));
  std::string expansion;
  script_runner& runner = script_runner::instance();
  if (runner.expand_template(this, script, expansion) != 0) {
    tell(script_failed_message(runner.error));
    return;
  }
  // A form shown by the script runs the event loop: the session may have gone or been
  // disconnected meanwhile.
  CTerminalView* view = connected_terminal_view();
  if (!view) return;
  send_item text;
  try {
    text = send_item::heap_buffer(expansion);
  } catch (const std::bad_alloc&) {
    tell(script_failed_message("not enough memory"));
    return;
  }
  // A full queue drops the text; the item, and its buffer, go with it.
  view->SendQueue().push(std::move(text));
}

void CButtonBar::SwitchCategory(int index) {
  button_bar_param& bar = Bar();
  if (index == bar.active_category || index < 0 || static_cast<size_t>(index) >= bar.categories.size()) return;
  if (button_category* old = Active())
    for (const auto& button : old->buttons)
      if (button->control) button->control->hide();
  bar.active_category = index;
  // The layout shows the new category's buttons that fit.
  LayoutButtons();
  m_pStore->schedule_save();
}

void CButtonBar::Changed() {
  LayoutButtons();
  m_pStore->schedule_save();
}

void CButtonBar::OnContextMenu(QPoint global) {
  const bool default_shown = m_wndCategory->currentText() == platform::to_qstring(button_bar_param::default_category);
  m_nContextButton = -1;
  // Only a shown button counts: a hidden one keeps the rectangle of its last placement.
  if (button_category* category = Active())
    for (size_t i = 0; i < category->buttons.size(); ++i) {
      QWidget* control = category->buttons[i]->control;
      if (control && control->isVisible() && QRect(control->mapToGlobal(QPoint(0, 0)), control->size()).contains(global)) {
        m_nContextButton = static_cast<int>(i);
        break;
      }
    }
  for (QAction* action : m_menuContext->actions()) {
    switch (action->data().toInt()) {
      case ID_EDIT_BUTTON:
      case ID_MOVE_BUTTON_LEFT:
      case ID_MOVE_BUTTON_RIGHT:
      case ID_DELETE_BUTTON:
      case ID_COPY_BUTTON:
        action->setEnabled(m_nContextButton >= 0);
        break;
      case ID_PASTE_BUTTON:
        action->setEnabled(m_pCopiedButton != nullptr);
        break;
      case ID_EDIT_CATEGORY:
      case ID_DELETE_CATEGORY:
        action->setEnabled(!default_shown);
        break;
      default:
        break;
    }
  }
  m_menuContext->popup(global);
}

void CButtonBar::OnCommand(int id) {
  switch (id) {
    case ID_NEW_BUTTON: OnNewButton(); break;
    case ID_EDIT_BUTTON: OnEditButton(); break;
    case ID_DELETE_BUTTON: OnDeleteButton(); break;
    case ID_MOVE_BUTTON_LEFT: OnMoveButton(-1); break;
    case ID_MOVE_BUTTON_RIGHT: OnMoveButton(1); break;
    case ID_COPY_BUTTON: {
      button_category* category = Active();
      if (category && m_nContextButton >= 0 && static_cast<size_t>(m_nContextButton) < category->buttons.size())
        m_pCopiedButton = category->buttons[static_cast<size_t>(m_nContextButton)].get();
      break;
    }
    case ID_PASTE_BUTTON: OnPasteButton(); break;
    case ID_NEW_CATEGORY: OnNewCategory(); break;
    case ID_EDIT_CATEGORY: OnEditCategory(); break;
    case ID_DELETE_CATEGORY: OnDeleteCategory(); break;
    default: break;
  }
}

bool CButtonBar::AddButton(std::u16string_view label, int32_t icon_index, std::u16string_view tooltip,
                           std::u16string_view script) {
  if (!Bar().add_button(label, icon_index, tooltip, script, nullptr)) return false;
  CreateButton(*Active()->buttons.back())->show();
  Changed();
  return true;
}

void CButtonBar::OnNewButton() {
  CNewButtonDlg dialog(u"", 0, u"", u"", this);
  if (platform::ui::instance().run_modal(dialog) != platform::IDOK) return;
  AddButton(dialog.m_strLabel, dialog.m_nIconIndex, dialog.m_strTooltip, dialog.m_strScript);
}

button_item* CButtonBar::ContextButton() const {
  button_category* category = Active();
  if (!category || m_nContextButton < 0 || static_cast<size_t>(m_nContextButton) >= category->buttons.size())
    return nullptr;
  return category->buttons[static_cast<size_t>(m_nContextButton)].get();
}

void CButtonBar::OnEditButton() {
  button_item* button = ContextButton();
  if (!button) return;
  CNewButtonDlg dialog(button->label, button->icon_index, button->tooltip, button->script, this);
  if (platform::ui::instance().run_modal(dialog) != platform::IDOK) return;
  button->label = dialog.m_strLabel;
  button->icon_index = dialog.m_nIconIndex;
  button->tooltip = dialog.m_strTooltip;
  button->script = dialog.m_strScript;
  if (auto* control = static_cast<CIconButton*>(button->control.data())) ShowButtonText(*button, *control);
  Changed();
}

void CButtonBar::OnDeleteButton() {
  button_item* button = ContextButton();
  if (!button) return;
  if (platform::ui::instance().message_box(this, "Are you sure to delete this BUTTON?", "Confirm",
                                           platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDYES)
    return;
  if (m_pCopiedButton == button) m_pCopiedButton = nullptr;
  auto& buttons = Active()->buttons;
  buttons.erase(buttons.begin() + m_nContextButton);
  m_nContextButton = -1;
  Changed();
}

void CButtonBar::OnMoveButton(int step) {
  if (!ContextButton()) return;
  auto& buttons = Active()->buttons;
  const int other = m_nContextButton + step;
  if (other < 0 || static_cast<size_t>(other) >= buttons.size()) return;
  std::swap(buttons[static_cast<size_t>(m_nContextButton)], buttons[static_cast<size_t>(other)]);
  Changed();
}

void CButtonBar::OnPasteButton() {
  // Copies are forgotten when their button is deleted, so a remembered one still exists.
  if (const button_item* copied = m_pCopiedButton)
    AddButton(copied->label, copied->icon_index, copied->tooltip, copied->script);
}

bool CButtonBar::AskCategoryName(std::u16string_view initial, std::u16string& name) {
  CNewCategoryDlg dialog(initial, this);
  if (platform::ui::instance().run_modal(dialog) != platform::IDOK) return false;
  if (dialog.m_strName == button_bar_param::default_category) {
    platform::ui::instance().message_box(this, "This name is not allowed!", "Error",
                                         platform::MB_OK | platform::MB_ICONERROR);
    return false;
  }
  name = dialog.m_strName;
  return true;
}

void CButtonBar::OnNewCategory() {
  std::u16string name;
  if (!AskCategoryName(u"", name)) return;
  button_bar_param& bar = Bar();
  {
    const QSignalBlocker quiet(m_wndCategory);
    m_wndCategory->addItem(platform::to_qstring(name));
    m_wndCategory->setCurrentIndex(m_wndCategory->count() - 1);
  }
  auto category = std::make_unique<button_category>();
  category->name = std::move(name);
  bar.categories.push_back(std::move(category));
  m_pStore->schedule_save();
  SwitchCategory(static_cast<int>(bar.categories.size()) - 1);
}

void CButtonBar::OnEditCategory() {
  button_category* category = Active();
  std::u16string name;
  if (!category || !AskCategoryName(platform::to_u16string(m_wndCategory->currentText()), name)) return;
  const int index = Bar().active_category;
  {
    const QSignalBlocker quiet(m_wndCategory);
    m_wndCategory->removeItem(index);
    m_wndCategory->insertItem(index, platform::to_qstring(name));
    m_wndCategory->setCurrentIndex(index);
  }
  category->name = std::move(name);
  m_pStore->schedule_save();
}

void CButtonBar::OnDeleteCategory() {
  button_bar_param& bar = Bar();
  const int index = bar.active_category;
  // Category 0 is "Default", which stays.
  if (index <= 0 || static_cast<size_t>(index) >= bar.categories.size()) return;
  if (platform::ui::instance().message_box(this, "Are you sure to delete current category?", "Confirm",
                                           platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDYES)
    return;
  {
    const QSignalBlocker quiet(m_wndCategory);
    m_wndCategory->removeItem(index);
    m_wndCategory->setCurrentIndex(0);
  }
  SwitchCategory(0);
  const auto doomed = bar.categories.begin() + index;
  for (const auto& button : (*doomed)->buttons)
    if (button.get() == m_pCopiedButton) m_pCopiedButton = nullptr;
  bar.categories.erase(doomed);
  m_pStore->schedule_save();
}
