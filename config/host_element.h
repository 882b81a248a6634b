#pragma once
// A session record stored as one "Host" element: attributes "Uuid", "Name", "View", "Protocol",
// then the selected protocol's values and the appearance values as child elements.
#include <memory>

class xml_document;
struct session_record;

// Writes the record as one "Host" element after the current position; the new element becomes
// current, so the next save_host writes after it.
bool save_host(const session_record& record, xml_document& doc);

// Reads the next "Host" element after the current position on the current level, which becomes
// current; null when there is none. The children may stand in any order (the first of two equal
// names wins); a missing child keeps the default of a new record.
std::unique_ptr<session_record> load_host(xml_document& doc);
