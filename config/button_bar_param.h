#pragma once
// The "ButtonBar" settings node: the button bar's named categories of script buttons and which
// category the bar shows. The pane edits these records directly and arms the deferred save after
// every change.
//
// Category 0 is always "Default": the node is built with it, a stored "Default" category pours
// its buttons into it, and the pane refuses the name for any other category.
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/parameter.h"

// One script button. The item owns the window that shows it: destroying the item destroys the
// window. The pointer is guarded because the pane's own destruction may take the window first.
struct button_item {
  button_item() = default;
  ~button_item();
  button_item(const button_item&) = delete;
  button_item& operator=(const button_item&) = delete;

  // 0 to 3: blue, purple, green or red dot. A stored value outside that range is kept as it
  // is and shown as icon 0.
  int32_t icon_index = 0;
  std::u16string label;    // the caption, also the entry in the overflow menu
  std::u16string tooltip;
  std::u16string script;   // the script template, line ends as typed (CR LF)
  QPointer<QWidget> control;
};

struct button_category {
  std::u16string name;
  std::vector<std::unique_ptr<button_item>> buttons;  // left to right
};

class button_bar_param : public parameter {
 public:
  static constexpr std::u16string_view default_category = u"Default";

  // One empty category "Default", shown.
  button_bar_param();

  // One "Category" element (attributes "name" and, on the shown one, "active"="true") per
  // category, holding one "Button" element per button with "IconIndex", "Label", "Tooltip" and
  // "Script". Nothing at all when there are no categories.
  bool save(xml_document& doc) override;
  // Appends the stored categories; the buttons of a stored "Default" go into category 0, a
  // category without a name is called "undefined". The last category marked active is shown.
  bool load(xml_document& doc) override;

  // Appends a button to the shown category, which then owns `control` (may be null); false,
  // with nothing added and `control` left to the caller, for an empty label.
  bool add_button(std::u16string_view label, int32_t icon_index, std::u16string_view tooltip,
                  std::u16string_view script, QWidget* control);

  // The shown category, or null when the index points at none.
  button_category* active() const;

  int32_t active_category = 0;
  std::vector<std::unique_ptr<button_category>> categories;  // in combo-box order
};
