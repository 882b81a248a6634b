#include "config/parameter.h"

#include "config/xml_document.h"

bool parameter::save(xml_document&) { return true; }

bool parameter::load(xml_document&) { return true; }

bool parameter::apply() { return true; }

bool parameter::save_tree(xml_document& doc) {
  doc.add_element(name, {}, 0);
  doc.into_element();
  save(doc);
  for (parameter* child : children) child->save_tree(doc);
  doc.out_of_element();
  return true;
}

bool parameter::load_tree(xml_document& doc) {
  doc.reset_main_position();
  if (!doc.find_element(name)) return false;
  doc.into_element();
  load(doc);
  for (parameter* child : children) child->load_tree(doc);
  doc.out_of_element();
  return true;
}

bool parameter::apply_tree() {
  apply();
  for (parameter* child : children) child->apply_tree();
  return true;
}
