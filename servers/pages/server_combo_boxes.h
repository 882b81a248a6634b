#pragma once
// The two combo boxes of every server page: the local IPv4 address a server listens on, and the
// server's log level.
#include <QComboBox>

#include <cstdint>

// Editable: "0.0.0.0" (every interface) and then each local interface's address in the order
// the system lists them, as they were when the page opened; the user may also type an address.
class CInterfaceComboBox : public QComboBox {
 public:
  explicit CInterfaceComboBox(QWidget* parent = nullptr);

  // Shows the host-order address in dotted form ("0.0.0.0" for 0).
  void SelectAddress(uint32_t host_order_address);
  // The address the text names, in host order. False for an empty text and for anything that
  // does not read as an address, 255.255.255.255 included (it cannot be told from an error).
  bool GetAddress(uint32_t& host_order_address) const;
};

// "Debug", "Information", "Error", "Disabled", each with its log_level as item data;
// "Disabled" is selected.
class CLogLevelComboBox : public QComboBox {
 public:
  explicit CLogLevelComboBox(QWidget* parent = nullptr);

  // The log_level of the selected item.
  int32_t GetLevel() const;
};
