#pragma once
// The saved hosts: a tree of named groups and hosts under the root group "All Hosts", held by
// the "HostManager" settings node.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/parameter.h"
#include "config/session_record.h"

class configuration;
struct host_node;

struct host_group {
  std::u16string name;
  std::vector<std::unique_ptr<host_node>> children;  // groups and hosts mixed, in display order
};

// One node of the host tree: a group or a host. A node owns its group (and so the whole
// subtree) or its record.
struct host_node {
  explicit host_node(std::u16string group_name);
  explicit host_node(session_record record);

  bool is_group = false;
  std::unique_ptr<host_group> group;     // a group's contents (may be null: then it is skipped)
  std::unique_ptr<session_record> host;  // a host's record
};

// Visits every host of the subtree depth first, each group's children in list order.
void for_each_host(const host_node& node, const std::function<void(const session_record&)>& visit);

// A visitor for for_each_host that appends a copy of each host to `hosts`.
void collect_host(const session_record& record, std::vector<session_record>& hosts);

class host_param : public parameter {
 public:
  host_param();

  // One "HostGroup" element (attribute "Name") per group holding its subgroups and "Host"
  // elements in list order; the root is the group "All Hosts".
  bool save(xml_document& doc) override;
  // Reads the first top-level "HostGroup" named exactly "All Hosts" as the new tree; without one
  // the tree stays as it is.
  bool load(xml_document& doc) override;

  // Replaces the tree; with `schedule` the deferred save is armed.
  void set_tree(std::unique_ptr<host_node> new_root, bool schedule);

  // A copy of the first host in depth-first order whose uuid equals `uuid` exactly. A copy, so
  // that nothing the caller keeps can dangle when the tree is replaced.
  std::optional<session_record> find(std::string_view uuid) const;

  void save_group(xml_document& doc, const host_node& node) const;
  // Reads the "HostGroup" element at the current position and everything below it; the new
  // group is appended to `parent`, or becomes `root_slot` when `parent` is null. Groups nested
  // deeper than max_group_depth are merged into the group at that depth (their hosts are kept),
  // so no hostile file can build a tree too deep to walk.
  static void load_group(xml_document& doc, host_node* parent,
                         std::unique_ptr<host_node>& root_slot);
  static constexpr size_t max_group_depth = 100;

  std::unique_ptr<host_node> root;
  // The store whose deferred save set_tree arms; the process-wide one when null.
  configuration* store = nullptr;
};
