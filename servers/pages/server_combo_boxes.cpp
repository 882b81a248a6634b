#include "servers/pages/server_combo_boxes.h"

#include <arpa/inet.h>

#include "config/log_level.h"
#include "config/net_socket.h"
#include "config/server_values.h"
#include "platform/qt_text.h"

namespace {

constexpr int max_listed_interfaces = 100;

QString dotted(uint32_t host_order_address) { return QString::fromStdString(dotted_text(host_order_address)); }

}  // namespace

CInterfaceComboBox::CInterfaceComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  addItem(QStringLiteral("0.0.0.0"));
  net_interface entries[max_listed_interfaces];
  int count = net_socket::list_interfaces(entries, max_listed_interfaces);
  for (int i = 0; i < count; ++i) addItem(dotted(ntohl(entries[i].address)));
  setCurrentIndex(-1);
}

void CInterfaceComboBox::SelectAddress(uint32_t host_order_address) {
  setEditText(dotted(host_order_address));
}

bool CInterfaceComboBox::GetAddress(uint32_t& host_order_address) const {
  const QString text = currentText();
  return !text.isEmpty() && read_address(platform::to_u16string(text), host_order_address);
}

CLogLevelComboBox::CLogLevelComboBox(QWidget* parent) : QComboBox(parent) {
  addItem(QStringLiteral("Debug"), LOG_DEBUG);
  addItem(QStringLiteral("Information"), LOG_INFORMATION);
  addItem(QStringLiteral("Error"), LOG_ERROR);
  addItem(QStringLiteral("Disabled"), LOG_DISABLED);
  setCurrentIndex(LOG_DISABLED);
}

int32_t CLogLevelComboBox::GetLevel() const {
  const QVariant data = currentData();
  return data.isValid() ? data.toInt() : LOG_DISABLED;
}
