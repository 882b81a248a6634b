#include "config/xml_parser.h"

#include <unordered_map>

#include "config/xml_result_log.h"
#include "config/xml_tokenizer.h"

namespace {

using record = xml_document::element_record;

std::u16string_view error_name(xml_syntax_error error) {
  switch (error) {
    case xml_syntax_error::first_tag_syntax:
      return u"first_tag_syntax";
    case xml_syntax_error::exclamation_tag_syntax:
      return u"exclamation_tag_syntax";
    case xml_syntax_error::comment_tag_syntax:
      return u"comment_tag_syntax";
    case xml_syntax_error::cdata_section_syntax:
      return u"cdata_section_syntax";
    case xml_syntax_error::doctype_tag_syntax:
      return u"doctype_tag_syntax";
    case xml_syntax_error::unterminated_tag_syntax:
      return u"unterminated_tag_syntax";
    case xml_syntax_error::none:
      break;
  }
  return u"syntax";
}

class parser {
 public:
  parser(std::u16string_view text, std::vector<record>& elements, std::u16string& log)
      : text_(text), elements_(elements), log_(log) {}

  bool run();

 private:
  struct open_element {
    uint32_t index;
    std::u16string_view name;
  };

  void note(std::u16string_view event, size_t offset) {
    xml_note(log_, event, {{u"offset", xml_number_text(offset)}});
  }
  void start_tag(size_t position, const xml_node& node);
  void end_tag(size_t position, const xml_node& node);
  void close_unended(size_t depth);
  void move_children_after(uint32_t element);

  std::u16string_view text_;
  std::vector<record>& elements_;
  std::u16string& log_;
  std::vector<open_element> stack_;
  // For each open name, the stack depths that hold it (innermost last): an end tag finds its
  // element without walking the stack, however deep a hostile file nests.
  std::unordered_map<std::u16string_view, std::vector<size_t>> open_by_name_;
  bool ill_formed_ = false;
};

void parser::start_tag(size_t position, const xml_node& node) {
  uint32_t index = uint32_t(elements_.size());
  record r;
  r.start = uint32_t(position);
  r.start_tag_length = uint32_t(node.length);
  elements_.push_back(r);
  xml_append_child(elements_, stack_.empty() ? 0 : stack_.back().index, index);
  if (node.kind == xml_node_kind::empty_tag) {
    elements_[index].length = uint32_t(node.length);
    return;
  }
  std::u16string_view name = text_.substr(position + 1, xml_name_length(text_, position + 1));
  open_by_name_[name].push_back(stack_.size());
  stack_.push_back({index, name});
}

void parser::end_tag(size_t position, const xml_node& node) {
  std::u16string_view name = text_.substr(position + 2, xml_name_length(text_, position + 2));
  auto open = open_by_name_.find(name);
  if (open == open_by_name_.end() || open->second.empty()) {
    ill_formed_ = true;
    note(u"lone_end_tag", position);
    return;
  }
  size_t depth = open->second.back();
  uint32_t index = stack_[depth].index;
  if (depth + 1 < stack_.size()) {
    close_unended(depth + 1);
    elements_[index].flags |= xml_document::element_ill_closed;
  }
  record& r = elements_[index];
  r.length = uint32_t(position + node.length - r.start);
  r.end_tag_length = uint32_t(node.length);
  open->second.pop_back();
  stack_.pop_back();
}

// Closes every open element from `depth` inwards as an element without end tag: it shrinks to
// its start tag and its children become its following siblings. Working outermost first moves
// each element at most once, so the pass stays linear however deep the unended nesting.
void parser::close_unended(size_t depth) {
  ill_formed_ = true;
  for (size_t d = depth; d < stack_.size(); ++d) {
    record& r = elements_[stack_[d].index];
    note(u"unended_start_tag", r.start);
    r.length = r.start_tag_length;
    r.flags |= xml_document::element_unended;
    move_children_after(stack_[d].index);
  }
  for (size_t d = stack_.size(); d-- > depth;) open_by_name_[stack_[d].name].pop_back();
  stack_.resize(depth);
}

// `element` is the last child of its parent (it was open until now).
void parser::move_children_after(uint32_t element) {
  uint32_t first = elements_[element].first_child;
  if (first == 0) return;
  uint32_t parent = elements_[element].parent;
  uint32_t last = elements_[first].previous_sibling;
  for (uint32_t c = first; c != 0; c = elements_[c].next_sibling) elements_[c].parent = parent;
  elements_[first].flags &= ~xml_document::element_first_child;
  elements_[first].previous_sibling = element;
  elements_[element].next_sibling = first;
  elements_[element].first_child = 0;
  elements_[elements_[parent].first_child].previous_sibling = last;
}

bool parser::run() {
  elements_.clear();
  elements_.reserve(text_.size() / 64 + 8);
  elements_.emplace_back();
  elements_[0].length = uint32_t(text_.size());
  size_t position = 0;
  while (position < text_.size()) {
    xml_node node = xml_next_node(text_, position);
    switch (node.kind) {
      case xml_node_kind::start_tag:
      case xml_node_kind::empty_tag:
        start_tag(position, node);
        break;
      case xml_node_kind::end_tag:
        end_tag(position, node);
        break;
      case xml_node_kind::error:
        ill_formed_ = true;
        note(error_name(node.error), position);
        break;
      default:
        break;
    }
    position += node.length;
  }
  if (!stack_.empty()) close_unended(0);
  uint32_t top = elements_[0].first_child;
  if (top == 0) {
    ill_formed_ = true;
    note(u"no_root_element", text_.size());
  } else if (elements_[top].next_sibling != 0) {
    ill_formed_ = true;
    note(u"root_has_sibling", elements_[elements_[top].next_sibling].start);
  }
  if (ill_formed_) elements_[0].flags |= xml_document::document_ill_formed;
  return !ill_formed_;
}

}  // namespace

void xml_append_child(std::vector<record>& elements, uint32_t parent, uint32_t element) {
  record& e = elements[element];
  e.parent = parent;
  e.next_sibling = 0;
  uint32_t first = elements[parent].first_child;
  if (first == 0) {
    elements[parent].first_child = element;
    e.previous_sibling = element;
    e.flags |= xml_document::element_first_child;
    return;
  }
  uint32_t last = elements[first].previous_sibling;
  elements[last].next_sibling = element;
  e.previous_sibling = last;
  e.flags &= ~xml_document::element_first_child;
  elements[first].previous_sibling = element;
}

bool xml_parse(std::u16string_view text, std::vector<record>& elements,
               std::u16string& result_log) {
  return parser(text, elements, result_log).run();
}
