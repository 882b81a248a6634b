#include "config/host_param.h"

#include "config/configuration.h"
#include "config/host_element.h"
#include "config/xml_document.h"

namespace {

constexpr std::u16string_view root_group_name = u"All Hosts";
constexpr std::u16string_view group_element = u"HostGroup";

const session_record* find_in(const host_node& node, std::string_view uuid) {
  if (!node.is_group) return node.host && node.host->uuid == uuid ? node.host.get() : nullptr;
  if (!node.group) return nullptr;
  for (const auto& child : node.group->children)
    if (const session_record* found = find_in(*child, uuid)) return found;
  return nullptr;
}

}  // namespace

host_node::host_node(std::u16string group_name)
    : is_group(true), group(std::make_unique<host_group>()) {
  group->name = std::move(group_name);
}

host_node::host_node(session_record record)
    : host(std::make_unique<session_record>(std::move(record))) {}

void for_each_host(const host_node& node,
                   const std::function<void(const session_record&)>& visit) {
  if (!node.is_group) {
    if (node.host) visit(*node.host);
    return;
  }
  if (!node.group) return;
  for (const auto& child : node.group->children) for_each_host(*child, visit);
}

void collect_host(const session_record& record, std::vector<session_record>& hosts) {
  hosts.push_back(record);
}

host_param::host_param()
    : parameter(u"HostManager"), root(std::make_unique<host_node>(std::u16string(root_group_name))) {}

bool host_param::save(xml_document& doc) {
  if (root) save_group(doc, *root);
  return true;
}

bool host_param::load(xml_document& doc) {
  doc.reset_main_position();
  while (doc.find_element(group_element)) {
    if (doc.get_attribute(doc.current_position(), u"Name") != root_group_name) continue;
    std::unique_ptr<host_node> loaded;
    load_group(doc, nullptr, loaded);
    if (loaded) root = std::move(loaded);
    break;
  }
  return true;
}

void host_param::set_tree(std::unique_ptr<host_node> new_root, bool schedule) {
  root = std::move(new_root);
  if (schedule) (store ? *store : configuration::instance()).schedule_save();
}

std::optional<session_record> host_param::find(std::string_view uuid) const {
  if (!root) return std::nullopt;
  if (const session_record* found = find_in(*root, uuid)) return *found;
  return std::nullopt;
}

void host_param::save_group(xml_document& doc, const host_node& node) const {
  if (!node.is_group) {
    if (node.host) save_host(*node.host, doc);
    return;
  }
  doc.add_element(group_element, {}, 0);
  doc.set_attribute(doc.current_position(), u"Name", node.group ? node.group->name : u"");
  doc.into_element();
  if (node.group)
    for (const auto& child : node.group->children) save_group(doc, *child);
  doc.out_of_element();
}

void host_param::load_group(xml_document& doc, host_node* parent,
                            std::unique_ptr<host_node>& root_slot) {
  // Walks the nested groups with a stack of its own: each open "HostGroup" first reads its
  // subgroups in document order, then its hosts, then is left again.
  std::vector<host_node*> open_groups;
  auto enter_group = [&](host_node* outer) {
    host_node* group = outer;
    if (!outer || open_groups.size() < max_group_depth) {
      std::u16string name = doc.get_attribute(doc.current_position(), u"Name");
      auto node = std::make_unique<host_node>(name.empty() ? std::u16string(u"lost") : name);
      group = node.get();
      if (outer)
        outer->group->children.push_back(std::move(node));
      else
        root_slot = std::move(node);
    }
    open_groups.push_back(group);
    doc.into_element();
    doc.reset_main_position();
  };

  enter_group(parent);
  while (!open_groups.empty()) {
    host_node* group = open_groups.back();
    if (doc.find_element(group_element)) {
      enter_group(group);
      continue;
    }
    doc.reset_main_position();
    while (std::unique_ptr<session_record> record = load_host(doc))
      group->group->children.push_back(std::make_unique<host_node>(std::move(*record)));
    doc.out_of_element();
    open_groups.pop_back();
  }
}
