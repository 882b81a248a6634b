// What the XML document's edits cost as documents grow.
//
// 1. Building: a document of N hosts (100 groups, each host an element with an attribute and
//    eight value elements) made by add_element and set_attribute the way a save makes it, for
//    N = 10,000 and 40,000. Linear growth means no edit rescans the elements before it.
// 2. One edit in a finished document of 10,000 hosts: an attribute set on the last host, and an
//    element added after it (where a save adds), against the same at the first host (every
//    later element moves, as it must with absolute offsets).
// 3. Parsing the built text again (what a load does).
// The last line is the time to build the 10,000-host document, in milliseconds.
#include <chrono>
#include <cstdio>
#include <string>

#include "config/xml_document.h"

namespace {

using clock_type = std::chrono::steady_clock;

double milliseconds_since(clock_type::time_point start) {
  return std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
}

std::u16string number(int n) {
  std::u16string text;
  for (char c : std::to_string(n)) text += char16_t(c);
  return text;
}

void build(xml_document& doc, int hosts) {
  doc.set_document();
  doc.add_element(u"Tessary");
  doc.into_element();
  doc.add_element(u"HostManager");
  doc.into_element();
  doc.add_element(u"HostGroup");
  doc.set_attribute(doc.current_position(), u"Name", u"All Hosts");
  doc.into_element();
  const int groups = 100;
  for (int g = 0; g < groups; ++g) {
    doc.add_element(u"HostGroup");
    doc.set_attribute(doc.current_position(), u"Name", u"group " + number(g));
    doc.into_element();
    for (int h = 0; h < hosts / groups; ++h) {
      doc.add_element(u"Host");
      doc.set_attribute(doc.current_position(), u"Name", u"host " + number(g * 1000 + h));
      doc.into_element();
      doc.add_element(u"Uuid", u"{0f8fad5b-d9cb-469f-a165-70867728950e}");
      doc.add_element(u"Protocol", u"SSH2");
      doc.add_element(u"Hostname", u"h" + number(h) + u".example.org");
      doc.add_element(u"Port", u"22");
      doc.add_element(u"Username", u"user");
      doc.add_element(u"Password", u"c2NyYW1ibGVk");
      doc.add_element(u"ConsoleType", u"xterm");
      doc.add_element(u"ColorScheme", u"Default & <dark>");
      doc.out_of_element();
    }
    doc.out_of_element();
  }
}

// The first or the last Host of a built document, selected as current with its group as parent.
void select_host(xml_document& doc, bool last) {
  while (doc.out_of_element()) {
  }
  doc.reset_main_position();
  doc.find_element(u"Tessary");
  doc.into_element();
  doc.find_element(u"HostManager");
  doc.into_element();
  doc.find_element(u"HostGroup");
  doc.into_element();
  // The first match, or the last when searching on until none is left.
  while (doc.find_element(u"HostGroup") && last) {
  }
  doc.into_element();
  while (doc.find_element(u"Host") && last) {
  }
}

double one_edit_microseconds(xml_document& doc, bool last) {
  const int repeats = 200;
  double total = 0;
  for (int i = 0; i < repeats; ++i) {
    select_host(doc, last);
    auto start = clock_type::now();
    doc.set_attribute(doc.current_position(), u"Edited", number(i));
    doc.add_element(u"Host");
    total += milliseconds_since(start);
  }
  return total * 1000 / repeats;
}

}  // namespace

int main() {
  double build_10k = 0;
  for (int hosts : {10000, 40000}) {
    xml_document doc;
    auto start = clock_type::now();
    build(doc, hosts);
    double ms = milliseconds_since(start);
    if (hosts == 10000) build_10k = ms;
    std::printf("build %d hosts: %.1f ms (%zu elements, %zu characters)\n", hosts, ms,
                doc.elements().size() - 1, doc.get_document().size());
    if (hosts != 10000) continue;
    std::u16string text = doc.get_document();
    xml_document parsed;
    start = clock_type::now();
    bool ok = parsed.set_document(text);
    std::printf("parse 10000 hosts: %.1f ms (well formed: %s)\n", milliseconds_since(start),
                ok ? "yes" : "no");
    std::printf("one edit at the last host: %.2f us\n", one_edit_microseconds(doc, true));
    std::printf("one edit at the first host: %.2f us\n", one_edit_microseconds(doc, false));
  }
  std::printf("%.1f\n", build_10k);
  return 0;
}
