#pragma once
// The "Button Bar" pane: a drop-down list of the button categories, the buttons of the shown
// category side by side, and ">>" with a menu of the buttons that did not fit. Releasing the
// mouse over a button expands its template and types the result into the active terminal
// session; a press that sends nothing says why on the status bar. The context menu creates, edits, moves, copies, pastes and deletes buttons and
// categories. The pane edits the "ButtonBar" settings node directly and arms the deferred save
// after every change.
#include <QDockWidget>
#include <QSize>

#include <cstdint>
#include <string>
#include <unordered_map>

class CIconButton;
class QComboBox;
class QMenu;
class button_bar_param;
class configuration;
struct button_category;
struct button_item;

class CButtonBar : public QDockWidget {
 public:
  // Context menu commands.
  enum command : int {
    ID_NEW_BUTTON = 32804,
    ID_EDIT_BUTTON = 32805,
    ID_DELETE_BUTTON = 32806,
    ID_NEW_CATEGORY = 32808,
    ID_EDIT_CATEGORY = 32809,
    ID_DELETE_CATEGORY = 32810,
    ID_MOVE_BUTTON_LEFT = 32850,
    ID_MOVE_BUTTON_RIGHT = 32851,
    ID_COPY_BUTTON = 32852,
    ID_PASTE_BUTTON = 32853,
  };
  static constexpr int pane_id = 1234;
  static constexpr int combo_id = 335;
  static constexpr int overflow_id = 336;
  static constexpr int script_button_id = 0xFFFF;

  // Shows the buttons of `store`'s "ButtonBar" node (the process-wide configuration's when
  // null) and arms that store's deferred save.
  explicit CButtonBar(QWidget* parent = nullptr, configuration* store = nullptr);

  // Places the combo box and the shown category's buttons in the pane's client area.
  void LayoutButtons();
  // Expands the button's template and pushes the result into the active terminal view's send
  // queue. Nothing is sent without an active terminal view, while its session is not connected,
  // or when the template fails, and the status bar says which ("Run script failed! " and the
  // reason's first line); a full queue drops the text.
  void RunButton(const button_item& button);
  // Opens the context menu for the screen point `global`.
  void OnContextMenu(QPoint global);
  // Runs one context menu command.
  void OnCommand(int id);

  // The widget the combo box and the buttons live in (the pane's client area).
  QWidget* m_wndClient;
  CIconButton* m_wndOverflow;
  QComboBox* m_wndCategory;
  QMenu* m_menuContext;
  QMenu* m_menuOverflow;
  int m_nComboHeight = 0;
  int m_nComboWidth = 100;
  // The button under the cursor when the context menu last opened; -1 none.
  int m_nContextButton = -1;
  // The first button of the shown category that did not fit at the last layout; -1 none.
  int m_nFirstHidden = -1;
  // The button remembered by Copy Button; forgotten when it is deleted.
  button_item* m_pCopiedButton = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  button_bar_param& Bar() const;
  button_category* Active() const;
  // Makes the window of a button (hidden) and stores it in the record.
  CIconButton* CreateButton(button_item& button);
  // Gives the window the button's icon, caption and tooltip, and notes its ideal size.
  void ShowButtonText(const button_item& button, CIconButton& control);
  void OnButtonUp(CIconButton* sender);
  void ShowOverflowMenu();
  // Shows category `index`, as choosing it in the combo box does.
  void SwitchCategory(int index);
  void Changed();

  // Appends a button to the shown category with its window; false for an empty label.
  bool AddButton(std::u16string_view label, int32_t icon_index, std::u16string_view tooltip,
                 std::u16string_view script);
  // The record of m_nContextButton in the shown category, or null.
  button_item* ContextButton() const;
  void OnNewButton();
  void OnEditButton();
  void OnDeleteButton();
  void OnMoveButton(int step);
  void OnPasteButton();
  void OnNewCategory();
  void OnEditCategory();
  void OnDeleteCategory();
  // Runs the category editor; the name, or nothing when cancelled or refused.
  bool AskCategoryName(std::u16string_view initial, std::u16string& name);

  configuration* m_pStore;
  // The ideal size of each button window, noted whenever the pane sets its icon or caption:
  // measuring the caption is most of what a layout costs. Every window the pane makes is noted
  // at once, so an entry left by a destroyed window is replaced before a new one at the same
  // address is laid out.
  std::unordered_map<const QWidget*, QSize> m_idealSizes;
};
