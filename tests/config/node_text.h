#pragma once
// Saving a settings node to text and loading it from text, for tests that compare exact files.
#include <string>
#include <string_view>

#include "config/parameter.h"
#include "config/xml_document.h"

namespace test_support {

// The text that save_tree writes for the node (and its children) into an empty document.
inline std::u16string saved_text(parameter& node) {
  xml_document doc;
  doc.set_document();
  node.save_tree(doc);
  return doc.get_document();
}

// load_tree of the node from a document holding `text`; the walk's result.
inline bool load_from_text(parameter& node, std::u16string_view text) {
  xml_document doc;
  doc.set_document(text);
  return node.load_tree(doc);
}

}  // namespace test_support
