#pragma once
// What the application stores into the saved hosts by itself: a session that quick connect
// was asked to save, and a user name or password that a login prompt was asked to save. Each
// change arms the deferred settings save. GUI thread only.
#include <string>

class host_param;
struct session_record;

// Appends a host holding a copy of `record` to the root group "All Hosts".
void add_saved_host(host_param& hosts, const session_record& record);

// The last host in pre-order whose uuid equals `uuid` exactly gets the user name and/or the
// password that are given (null leaves the value alone). False, and nothing changed, when no
// host has that uuid.
bool update_saved_credentials(host_param& hosts, const std::string& uuid, const std::string* username,
                              const std::string* password);

// The last host in pre-order with the record's uuid becomes a copy of `record`. False, and
// nothing changed, when no host has that uuid.
bool replace_saved_host(host_param& hosts, const session_record& record);
