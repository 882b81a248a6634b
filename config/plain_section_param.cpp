#include "config/plain_section_param.h"

#include <algorithm>

#include "config/xml_document.h"

bool plain_section_param::save(xml_document& doc) {
  for (const std::u16string& element : kept_elements) doc.add_subdocument(element, 0);
  return true;
}

bool plain_section_param::load(xml_document& doc) {
  kept_elements.clear();
  doc.reset_main_position();
  while (doc.find_element()) {
    const uint32_t element = doc.current_position();
    const std::u16string tag = doc.get_tag_name(element);
    const bool child_section = std::any_of(children.begin(), children.end(),
                                           [&](const parameter* child) { return child->name == tag; });
    if (!child_section) kept_elements.push_back(doc.get_subdocument(element));
  }
  return true;
}
