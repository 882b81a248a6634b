#pragma once
// The base of every settings node: an XML element name, the child nodes in tree order, and the
// three operations that write the node's own values into the document, read them back and put
// them into effect. The walks run those operations over a whole subtree.
#include <string>
#include <vector>

class xml_document;

class parameter {
 public:
  explicit parameter(std::u16string element_name = {}) : name(std::move(element_name)) {}
  virtual ~parameter() = default;

  // A copy shares the child nodes: the options pages edit a copy of a node and assign it back,
  // and the copy must still point at the live children.
  parameter(const parameter&) = default;
  parameter& operator=(const parameter&) = default;

  // Each runs with the node's element as the parent position and leaves that position as it
  // found it. The base writes, reads and does nothing.
  virtual bool save(xml_document& doc);
  virtual bool load(xml_document& doc);
  virtual bool apply();

  // Adds the node's element after the current position, its values inside, then each child's
  // element after them.
  bool save_tree(xml_document& doc);
  // Reads the first element of the node's name among the parent's children, then each child
  // section the same way; false (and nothing read) when there is no such element.
  bool load_tree(xml_document& doc);
  // The node's own apply, then each child's apply_tree in order.
  bool apply_tree();

  std::u16string name;
  std::vector<parameter*> children;  // not owned: the configuration owns every node
};
