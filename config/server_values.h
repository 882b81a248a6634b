#pragma once
// Value elements of the server sections: IPv4 addresses as dotted text and log levels as their
// words. Loading keeps the field when the element is missing (and, for an address, when the
// text is no address or is 255.255.255.255).
#include <cstdint>
#include <string>
#include <string_view>

#include "config/log_level.h"

class xml_document;

// "a.b.c.d" of a host-order address ("0.0.0.0" for 0).
std::u16string address_text(uint32_t host_order_address);
// The host-order address of an IPv4 text as inet_addr reads it; false for bad text and for
// 255.255.255.255, which inet_addr cannot tell apart.
bool read_address(std::u16string_view text, uint32_t& host_order_address);

void load_address(xml_document& doc, std::u16string_view name, uint32_t& host_order_address);
void load_log_level(xml_document& doc, std::u16string_view name, log_level& level);
