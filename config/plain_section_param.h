#pragma once
// A section node whose values are not interpreted yet: it keeps every element of its section
// (other than its child sections) exactly as read and writes them back, so that a user's
// settings for it survive load and save unchanged.
#include <string>
#include <vector>

#include "config/parameter.h"

class plain_section_param : public parameter {
 public:
  explicit plain_section_param(std::u16string element_name) : parameter(std::move(element_name)) {}

  bool save(xml_document& doc) override;
  bool load(xml_document& doc) override;

  std::vector<std::u16string> kept_elements;  // element texts, in document order
};
