#pragma once
// The protocol and serial-line combo boxes used wherever a session record is edited (quick
// connect, the new host wizard, the connection page). Each fills its own list when it is made;
// an item's data is the value that goes into the record. The baud rate and the COM port are
// editable: their value is their text.
#include <QComboBox>

#include <string>

// Selects the first item whose data equals `value`; leaves the selection alone when none does.
// Every dialog that keeps a value as item data (the server pages too) selects with it.
void select_combo_item_by_data(QComboBox& combo, int value);

// "SSH2" 0, "Telnet" 1, "Serial" 2; the first is selected.
class CProtocolComboBox : public QComboBox {
 public:
  explicit CProtocolComboBox(QWidget* parent = nullptr);
};

// "5" to "8", nothing selected.
class CDatabitsComboBox : public QComboBox {
 public:
  explicit CDatabitsComboBox(QWidget* parent = nullptr);
};

// "None" 0, "Odd" 1, "Even" 2, "Mark" 3, "Space" 4, nothing selected.
class CParityComboBox : public QComboBox {
 public:
  explicit CParityComboBox(QWidget* parent = nullptr);
};

// "1" 0, "1.5" 1, "2" 2, nothing selected.
class CStopbitsComboBox : public QComboBox {
 public:
  explicit CStopbitsComboBox(QWidget* parent = nullptr);
};

// The common rates, editable, nothing selected.
class CBaudrateComboBox : public QComboBox {
 public:
  explicit CBaudrateComboBox(QWidget* parent = nullptr);
  void SetBaudrate(unsigned rate);
  // 0 when the text is empty or does not start with digits.
  int GetBaudrate() const;
};

// Editable; lists the serial ports present each time the list drops down.
class CComPortComboBox : public QComboBox {
 public:
  explicit CComPortComboBox(QWidget* parent = nullptr);
  void SetPort(unsigned port);
  // The number after "COM" at the start of the text; 0 when there is none.
  unsigned GetPort() const;
  // Lists the ports present now; the text stays as it is.
  void RefreshPorts();
  void showPopup() override;

  // Where the ports are looked for (a tty class folder laid out as /sys/class/tty).
  std::string tty_class_root = "/sys/class/tty";
};

class serial_param;

// The five serial combo boxes show the values of a serial block.
void show_serial_params(const serial_param& serial, CComPortComboBox& port, CBaudrateComboBox& rate,
                        CDatabitsComboBox& databits, CParityComboBox& parity, CStopbitsComboBox& stopbits);
