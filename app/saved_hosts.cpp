#include "app/saved_hosts.h"

#include <memory>

#include "config/host_param.h"

namespace {

session_record* last_with_uuid(host_node& node, const std::string& uuid) {
  if (!node.is_group) return node.host && node.host->uuid == uuid ? node.host.get() : nullptr;
  session_record* found = nullptr;
  if (node.group) {
    for (auto& child : node.group->children) {
      if (!child) continue;
      if (session_record* below = last_with_uuid(*child, uuid)) found = below;
    }
  }
  return found;
}

}  // namespace

void add_saved_host(host_param& hosts, const session_record& record) {
  if (!hosts.root || !hosts.root->is_group || !hosts.root->group) {
    auto root = std::make_unique<host_node>(std::u16string(u"All Hosts"));
    if (hosts.root) root->group->children.push_back(std::move(hosts.root));
    hosts.root = std::move(root);
  }
  hosts.root->group->children.push_back(std::make_unique<host_node>(record));
  hosts.set_tree(std::move(hosts.root), true);
}

bool update_saved_credentials(host_param& hosts, const std::string& uuid, const std::string* username,
                              const std::string* password) {
  if (!hosts.root) return false;
  session_record* host = last_with_uuid(*hosts.root, uuid);
  if (!host) return false;
  if (username) host->connection.ssh2.username = *username;
  if (password) host->connection.ssh2.password = *password;
  hosts.set_tree(std::move(hosts.root), true);
  return true;
}

bool replace_saved_host(host_param& hosts, const session_record& record) {
  if (!hosts.root) return false;
  session_record* host = last_with_uuid(*hosts.root, record.uuid);
  if (!host) return false;
  *host = record;
  hosts.set_tree(std::move(hosts.root), true);
  return true;
}
