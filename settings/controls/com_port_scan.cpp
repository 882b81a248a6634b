#include "settings/controls/com_port_scan.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>

#include "config/text_convert.h"

namespace fs = std::filesystem;

namespace {

struct numbered_port {
  unsigned com = 0;
  com_port_info info;
};

// The COM number of a tty name, when it is one of the serial families.
std::optional<unsigned> com_number(std::string_view name) {
  struct family {
    std::string_view prefix;
    unsigned first_com;
    unsigned count;
  };
  static constexpr family families[] = {{"ttyUSB", 100, 100}, {"ttyACM", 200, 100}, {"ttyS", 1, 99}};
  for (const auto& f : families) {
    if (!name.starts_with(f.prefix)) continue;
    std::string_view digits = name.substr(f.prefix.size());
    if (digits.empty() || digits.size() > 3) return std::nullopt;
    unsigned index = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return std::nullopt;
      index = index * 10 + static_cast<unsigned>(c - '0');
    }
    if (index >= f.count) return std::nullopt;
    return f.first_com + index;
  }
  return std::nullopt;
}

std::string first_line(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\t')) line.pop_back();
  return line;
}

// The product name of the device or one of its nearest ancestors, else its driver's name.
std::string describe(const fs::path& device) {
  std::error_code ec;
  fs::path at = device;
  for (int level = 0; level < 4 && !at.empty(); ++level) {
    if (fs::is_regular_file(at / "product", ec)) {
      std::string product = first_line(at / "product");
      if (!product.empty()) return product;
    }
    at = at.parent_path();
  }
  fs::path driver = fs::read_symlink(device / "driver", ec);
  if (!ec && !driver.filename().empty()) return driver.filename().string();
  return "Serial Port";
}

com_port_info make_info(const std::string& device_path, unsigned com, const std::string& description,
                        bool is_usb) {
  com_port_info info;
  info.device_path = mbs_to_wstring(device_path);
  info.description = mbs_to_wstring(description);
  info.friendly_name = mbs_to_wstring(description + " (COM" + std::to_string(com) + ")");
  info.is_usb = is_usb;
  return info;
}

std::vector<com_port_info> in_com_order(std::vector<numbered_port> found) {
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.com < b.com; });
  std::vector<com_port_info> ports;
  for (auto& port : found) ports.push_back(std::move(port.info));
  return ports;
}

}  // namespace

std::vector<com_port_info> find_serial_ports(const std::string& tty_class_root) {
  std::vector<numbered_port> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(tty_class_root, ec)) {
    std::string name = entry.path().filename().string();
    auto com = com_number(name);
    if (!com) continue;
    fs::path device_link = entry.path() / "device";
    if (!fs::exists(device_link, ec)) continue;
    fs::path type_file = entry.path() / "type";
    if (fs::exists(type_file, ec) && first_line(type_file) == "0") continue;
    fs::path device = fs::canonical(device_link, ec);
    if (ec) device = device_link;
    bool is_usb = device.string().find("/usb") != std::string::npos;
    found.push_back({*com, make_info("/dev/" + name, *com, describe(device), is_usb)});
  }
  return in_com_order(std::move(found));
}

std::vector<com_port_info> find_serial_links(const std::string& folder) {
  std::vector<numbered_port> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    std::string name = entry.path().filename().string();
    if (!name.starts_with("com") || name.size() == 3 || name.size() > 8) continue;
    unsigned com = 0;
    bool digits = true;
    for (char c : std::string_view(name).substr(3)) {
      if (c < '0' || c > '9') digits = false;
      com = com * 10 + static_cast<unsigned>(c - '0');
    }
    if (!digits || com == 0 || com > 65535) continue;
    found.push_back({com, make_info(entry.path().string(), com, "Serial link", false)});
  }
  return in_com_order(std::move(found));
}

std::vector<com_port_info> present_serial_ports(const std::string& tty_class_root) {
  if (const char* folder = std::getenv("TESSARY_SERIAL_DIR")) return find_serial_links(folder);
  return find_serial_ports(tty_class_root);
}

std::vector<std::u16string> com_port_items(const std::vector<com_port_info>& ports) {
  std::vector<std::u16string> items;
  for (const auto& port : ports) {
    auto at = port.friendly_name.find(u"(COM");
    if (at == std::u16string::npos) continue;
    // The digits after "(COM" up to the first other character; none reads as 0.
    unsigned number = 0;
    for (size_t i = at + 4; i < port.friendly_name.size() && number <= 65535; ++i) {
      char16_t c = port.friendly_name[i];
      if (c < u'0' || c > u'9') break;
      number = number * 10 + static_cast<unsigned>(c - u'0');
    }
    items.push_back(mbs_to_wstring("COM" + std::to_string(number) + " ") + port.description);
  }
  return items;
}
