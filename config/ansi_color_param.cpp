#include "config/ansi_color_param.h"

#include "config/color_text.h"
#include "config/xml_document.h"

ansi_color_param::ansi_color_param()
    : parameter(u"AnsiColor"),
      plans(builtin_ansi_color_plans.begin(), builtin_ansi_color_plans.end()) {}

bool ansi_color_param::save(xml_document& doc) {
  for (const ansi_color_plan& plan : plans) {
    doc.add_element(u"Plan", plan_colors_text(plan.colors), 0);
    doc.set_attribute(doc.current_position(), u"Name", plan.name);
  }
  return true;
}

bool ansi_color_param::load(xml_document& doc) {
  while (doc.find_element(u"Plan")) {
    const uint32_t element = doc.current_position();
    std::u16string name = doc.get_attribute(element, u"Name");
    if (name.empty()) continue;
    std::array<color_ref, 16> colors{};
    if (!scan_plan_colors_text(doc.get_data(element), colors)) continue;
    merge_named(plans, ansi_color_plan{std::move(name), colors});
  }
  return true;
}

const ansi_color_plan& ansi_color_param::find_plan(std::u16string_view name) const {
  return find_named(plans, name, builtin_ansi_color_plans[0]);
}
