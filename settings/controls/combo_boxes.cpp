#include "settings/controls/combo_boxes.h"

#include <QLineEdit>

#include "config/connection_params.h"
#include "platform/qt_text.h"
#include "settings/controls/com_port_scan.h"
#include "settings/controls/serial_text.h"

namespace {

struct labelled_value {
  const char* text;
  int value;
};

template <size_t N>
void fill(QComboBox& combo, const labelled_value (&items)[N]) {
  for (const auto& item : items) combo.addItem(QString::fromLatin1(item.text), item.value);
  combo.setCurrentIndex(-1);
}

}  // namespace

void select_combo_item_by_data(QComboBox& combo, int value) {
  for (int i = 0; i < combo.count(); ++i) {
    QVariant data = combo.itemData(i);
    if (data.isValid() && data.toInt() == value) {
      combo.setCurrentIndex(i);
      return;
    }
  }
}

CProtocolComboBox::CProtocolComboBox(QWidget* parent) : QComboBox(parent) {
  static constexpr labelled_value items[] = {{"SSH2", 0}, {"Telnet", 1}, {"Serial", 2}};
  fill(*this, items);
  setCurrentIndex(0);
}

CDatabitsComboBox::CDatabitsComboBox(QWidget* parent) : QComboBox(parent) {
  static constexpr labelled_value items[] = {{"5", 5}, {"6", 6}, {"7", 7}, {"8", 8}};
  fill(*this, items);
}

CParityComboBox::CParityComboBox(QWidget* parent) : QComboBox(parent) {
  static constexpr labelled_value items[] = {
      {"None", 0}, {"Odd", 1}, {"Even", 2}, {"Mark", 3}, {"Space", 4}};
  fill(*this, items);
}

CStopbitsComboBox::CStopbitsComboBox(QWidget* parent) : QComboBox(parent) {
  static constexpr labelled_value items[] = {{"1", 0}, {"1.5", 1}, {"2", 2}};
  fill(*this, items);
}

CBaudrateComboBox::CBaudrateComboBox(QWidget* parent) : QComboBox(parent) {
  // 230400 stands twice and 380400 is listed where 384000 might be expected: the list users
  // know from earlier versions is kept as it was.
  static constexpr unsigned rates[] = {110,   300,   600,   1200,   2400,   4800,   9600,   14400, 19200,
                                       38400, 57600, 115200, 230400, 230400, 380400, 460800, 921600};
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  for (unsigned rate : rates) addItem(platform::to_qstring(baudrate_text(rate)));
  setCurrentIndex(-1);
}

void CBaudrateComboBox::SetBaudrate(unsigned rate) { setEditText(platform::to_qstring(baudrate_text(rate))); }

int CBaudrateComboBox::GetBaudrate() const { return parse_baudrate(platform::to_u16string(currentText())); }

CComPortComboBox::CComPortComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
}

void CComPortComboBox::SetPort(unsigned port) { setEditText(platform::to_qstring(com_port_text(port))); }

unsigned CComPortComboBox::GetPort() const { return parse_com_port(platform::to_u16string(currentText())); }

void CComPortComboBox::RefreshPorts() {
  QString text = currentText();
  clear();
  for (const auto& item : com_port_items(present_serial_ports(tty_class_root)))
    addItem(platform::to_qstring(item));
  setCurrentIndex(-1);
  setEditText(text);
}

void CComPortComboBox::showPopup() {
  RefreshPorts();
  QComboBox::showPopup();
}

void show_serial_params(const serial_param& serial, CComPortComboBox& port, CBaudrateComboBox& rate,
                        CDatabitsComboBox& databits, CParityComboBox& parity, CStopbitsComboBox& stopbits) {
  port.SetPort(serial.com_port);
  rate.SetBaudrate(serial.baudrate);
  select_combo_item_by_data(databits, serial.databits);
  select_combo_item_by_data(parity, serial.parity);
  select_combo_item_by_data(stopbits, serial.stopbits);
}
