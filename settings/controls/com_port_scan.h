#pragma once
// The serial ports present on this machine, for the COM-port combo box's list. Each port is
// named as its "COM n" number: ttyS<k> is COM k+1, ttyUSB<k> COM 100+k, ttyACM<k> COM 200+k,
// the same numbering the serial connection opens by (a folder named by TESSARY_SERIAL_DIR holds
// links com<n> instead, and then lists those).
#include <string>
#include <vector>

struct com_port_info {
  std::u16string device_path;    // e.g. "/dev/ttyUSB0"
  std::u16string friendly_name;  // "<description> (COM<n>)"
  std::u16string description;    // the product name, else the driver's name
  bool is_usb = false;           // the device sits on a USB bus; nothing reads it
};

// The ports under a tty class folder laid out as /sys/class/tty: each <name>/device that
// exists is a port, except a UART slot whose "type" reads 0 (no chip behind it). In COM order.
std::vector<com_port_info> find_serial_ports(const std::string& tty_class_root);

// The links com<n> in `folder`, in COM order.
std::vector<com_port_info> find_serial_links(const std::string& folder);

// The ports present now: the TESSARY_SERIAL_DIR links when that variable is set, else the
// ports under `tty_class_root`.
std::vector<com_port_info> present_serial_ports(const std::string& tty_class_root = "/sys/class/tty");

// The combo box's items for the ports, in order: "COM%u %s" with the number read after "(COM"
// in the friendly name and the description; ports without "(COM" in their name are skipped.
std::vector<std::u16string> com_port_items(const std::vector<com_port_info>& ports);
