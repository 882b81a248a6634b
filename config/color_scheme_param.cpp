#include "config/color_scheme_param.h"

#include <optional>

#include "config/color_text.h"
#include "config/param_values.h"
#include "config/xml_document.h"

namespace {

// The text of the next child of that name after the child found before.
std::optional<std::u16string> next_child_text(xml_document& doc, std::u16string_view name) {
  if (!doc.find_child_element(name)) return std::nullopt;
  return doc.get_data(doc.child_position());
}

std::optional<color_scheme> read_scheme(xml_document& doc, std::u16string name) {
  color_scheme scheme;
  scheme.name = std::move(name);
  const auto foreground = next_child_text(doc, u"Foreground");
  if (!foreground || !scan_color_text(*foreground, scheme.foreground)) return std::nullopt;
  const auto background = next_child_text(doc, u"Background");
  if (!background || !scan_color_text(*background, scheme.background)) return std::nullopt;
  const auto mode = next_child_text(doc, u"AnsiColorMode");
  if (!mode) return std::nullopt;
  scheme.ansi_color_mode = read_flag(*mode);
  auto plan = next_child_text(doc, u"AnsiColorPlan");
  if (!plan) return std::nullopt;
  scheme.ansi_color_plan = std::move(*plan);
  return scheme;
}

}  // namespace

color_scheme_param::color_scheme_param()
    : parameter(u"ColorScheme"),
      schemes(builtin_color_schemes.begin(), builtin_color_schemes.end()) {}

bool color_scheme_param::save(xml_document& doc) {
  for (const color_scheme& scheme : schemes) {
    doc.add_element(u"Scheme", {}, 0);
    doc.set_attribute(doc.current_position(), u"Name", scheme.name);
    doc.into_element();
    add_value(doc, u"Foreground", color_text(scheme.foreground));
    add_value(doc, u"Background", color_text(scheme.background));
    add_value(doc, u"AnsiColorMode", flag_text(scheme.ansi_color_mode));
    add_value(doc, u"AnsiColorPlan", scheme.ansi_color_plan);
    doc.out_of_element();
  }
  return true;
}

bool color_scheme_param::load(xml_document& doc) {
  while (doc.find_element(u"Scheme")) {
    std::u16string name = doc.get_attribute(doc.current_position(), u"Name");
    if (name.empty()) continue;
    std::optional<color_scheme> read = read_scheme(doc, std::move(name));
    if (read) merge_named(schemes, std::move(*read));
  }
  return true;
}

const color_scheme& color_scheme_param::find_scheme(std::u16string_view name) const {
  return find_named(schemes, name, builtin_color_schemes[0]);
}
