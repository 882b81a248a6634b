#pragma once
// Text form of a new random (version 4) GUID: 32 upper-case hexadecimal digits, no dashes or
// braces. Empty when no random bytes could be had. Any thread may call it.
#include <string>

std::string uuid_text();
