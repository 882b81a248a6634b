#pragma once
// Value elements of the server sections: IPv4 addresses as dotted text, log levels as their
// words, and histories of served paths. Loading keeps the field when the element is missing (and, for an address, when the
// text is no address or is 255.255.255.255).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/log_level.h"

class xml_document;

// "a.b.c.d" of a host-order address ("0.0.0.0" for 0).
std::u16string address_text(uint32_t host_order_address);
// The host-order address of an IPv4 text as inet_addr reads it; false for bad text and for
// 255.255.255.255, which inet_addr cannot tell apart.
bool read_address(std::u16string_view text, uint32_t& host_order_address);

void load_address(xml_document& doc, std::u16string_view name, uint32_t& host_order_address);
void load_log_level(xml_document& doc, std::u16string_view name, log_level& level);

// The element `name` with the attribute "index" and one "Path" child per entry, always written.
void save_path_history(xml_document& doc, std::u16string_view name, int32_t index,
                       const std::vector<std::string>& paths);
// Appends every non-empty "Path" of the element `name` to `paths`; the index is its "index"
// attribute read as an unsigned number (a missing one reads 0), or -1 when that names no
// entry. Nothing changes without the element.
void load_path_history(xml_document& doc, std::u16string_view name, int32_t& index,
                       std::vector<std::string>& paths);
// The entry a history's index names, else the program's own folder.
std::string served_folder(int32_t index, const std::vector<std::string>& paths);
