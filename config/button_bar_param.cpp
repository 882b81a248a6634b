#include "config/button_bar_param.h"

#include "config/param_values.h"
#include "config/xml_document.h"

namespace {

constexpr std::u16string_view category_element = u"Category";
constexpr std::u16string_view button_element = u"Button";

// The text of the first child of the current Button element with that name, searched from the
// Button's first child so that the children may stand in any order; empty when there is none.
std::u16string child_text(xml_document& doc, std::u16string_view name) {
  doc.reset_child_position();
  return doc.find_child_element(name) ? doc.get_data(doc.child_position()) : std::u16string();
}

std::unique_ptr<button_item> load_button(xml_document& doc) {
  auto button = std::make_unique<button_item>();
  button->label = child_text(doc, u"Label");
  // Stored as unsigned text; the bits of the 32-bit value are kept, whatever they mean.
  button->icon_index = static_cast<int32_t>(read_number(child_text(doc, u"IconIndex")));
  button->tooltip = child_text(doc, u"Tooltip");
  button->script = child_text(doc, u"Script");
  return button;
}

void save_button(xml_document& doc, const button_item& button) {
  doc.add_element(button_element, {}, 0);
  doc.into_element();
  add_value(doc, u"IconIndex", decimal_text(button.icon_index));
  add_value(doc, u"Label", button.label);
  add_value(doc, u"Tooltip", button.tooltip);
  add_value(doc, u"Script", button.script);
  doc.out_of_element();
}

}  // namespace

button_item::~button_item() { delete control.data(); }

button_bar_param::button_bar_param() : parameter(u"ButtonBar") {
  auto first = std::make_unique<button_category>();
  first->name = default_category;
  categories.push_back(std::move(first));
}

bool button_bar_param::save(xml_document& doc) {
  for (size_t index = 0; index < categories.size(); ++index) {
    const button_category& category = *categories[index];
    doc.add_element(category_element, {}, 0);
    doc.set_attribute(doc.current_position(), u"name", category.name);
    if (static_cast<int32_t>(index) == active_category)
      doc.set_attribute(doc.current_position(), u"active", u"true");
    doc.into_element();
    for (const auto& button : category.buttons) save_button(doc, *button);
    doc.out_of_element();
  }
  return true;
}

bool button_bar_param::load(xml_document& doc) {
  doc.reset_main_position();
  while (doc.find_element(category_element)) {
    const uint32_t element = doc.current_position();
    std::u16string name = doc.get_attribute(element, u"name");
    if (name.empty()) name = u"undefined";
    size_t receiving = 0;
    if (name != default_category || categories.empty()) {
      auto category = std::make_unique<button_category>();
      category->name = std::move(name);
      categories.push_back(std::move(category));
      receiving = categories.size() - 1;
    }
    if (doc.get_attribute(element, u"active") == u"true") active_category = static_cast<int32_t>(receiving);

    doc.into_element();
    while (doc.find_element(button_element)) categories[receiving]->buttons.push_back(load_button(doc));
    doc.out_of_element();
  }
  return true;
}

bool button_bar_param::add_button(std::u16string_view label, int32_t icon_index,
                                  std::u16string_view tooltip, std::u16string_view script,
                                  QWidget* control) {
  button_category* category = active();
  if (label.empty() || !category) return false;
  auto button = std::make_unique<button_item>();
  button->label = label;
  button->icon_index = icon_index;
  button->tooltip = tooltip;
  button->script = script;
  button->control = control;
  category->buttons.push_back(std::move(button));
  return true;
}

button_category* button_bar_param::active() const {
  if (active_category < 0 || static_cast<size_t>(active_category) >= categories.size()) return nullptr;
  return categories[static_cast<size_t>(active_category)].get();
}
