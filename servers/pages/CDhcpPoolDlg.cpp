#include "servers/pages/CDhcpPoolDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/dialog_ids.h"
#include "servers/pages/dhcp_pool_form.h"
#include "servers/pages/page_wiring.h"
#include "settings/controls/dialog_buttons.h"
#include "settings/controls/number_field.h"

CDhcpPoolDlg::CDhcpPoolDlg(const dhcp_pool* pool, QWidget* parent) : QDialog(parent) {
  setObjectName("CDhcpPoolDlg");
  setWindowTitle(QStringLiteral("DHCP Pool"));
  if (pool) m_pool = *pool;

  m_wndType = with_id(new QComboBox(this), 343);
  m_wndType->addItems({QStringLiteral("Dynamic"), QStringLiteral("Static")});
  m_wndAddress = with_id(new QLineEdit(this), 344);
  m_wndSecond = with_id(new QLineEdit(this), 345);
  m_wndLease = number_field(this, 346);
  m_wndBootFile = with_id(new QLineEdit(this), 347);
  m_wndSubnet = with_id(new QLineEdit(this), 348);
  m_wndRouter = with_id(new QLineEdit(this), 349);
  m_wndAddressLabel = with_id(new QLabel(this), 350);
  m_wndSecondLabel = with_id(new QLabel(this), 351);

  auto* definition = new QGroupBox(QStringLiteral("Pool Definition"), this);
  auto* fields = new QGridLayout(definition);
  int row = 0;
  auto add_row = [&](QGridLayout* grid, QLabel* label, QWidget* field) {
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    ++row;
  };
  add_row(fields, new QLabel(QStringLiteral("Type"), definition), m_wndType);
  add_row(fields, m_wndAddressLabel, m_wndAddress);
  add_row(fields, m_wndSecondLabel, m_wndSecond);
  add_row(fields, new QLabel(QStringLiteral("Lease (minutes)"), definition), m_wndLease);
  add_row(fields, new QLabel(QStringLiteral("Boot File"), definition), m_wndBootFile);
  auto* options = new QGroupBox(QStringLiteral("DHCP Options"), this);
  auto* option_fields = new QGridLayout(options);
  row = 0;
  add_row(option_fields, new QLabel(QStringLiteral("Subnet Mask (Opt 1)"), options), m_wndSubnet);
  add_row(option_fields, new QLabel(QStringLiteral("Default Router (Opt 3)"), options), m_wndRouter);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(definition);
  layout->addWidget(options);
  add_ok_cancel(*this, *layout);

  ShowForm(form_of(m_pool));
  connect(m_wndType, &QComboBox::activated, this, &CDhcpPoolDlg::OnTypeChanged);
}

void CDhcpPoolDlg::ShowForm(const dhcp_pool_form& form) {
  m_wndType->setCurrentIndex(form.dynamic ? 0 : 1);
  m_wndAddress->setText(form.address);
  m_wndSecond->setText(form.second);
  m_wndLease->setText(form.lease_minutes);
  m_wndBootFile->setText(form.boot_file);
  m_wndSubnet->setText(form.subnet);
  m_wndRouter->setText(form.router);
  OnTypeChanged();
}

void CDhcpPoolDlg::OnTypeChanged() {
  const bool dynamic = m_wndType->currentIndex() == 0;
  m_wndAddressLabel->setText(dynamic ? QStringLiteral("Start Address") : QStringLiteral("Static IP"));
  m_wndSecondLabel->setText(dynamic ? QStringLiteral("Address Number") : QStringLiteral("Static MAC"));
}

dhcp_pool_form CDhcpPoolDlg::Form() const {
  dhcp_pool_form form;
  form.dynamic = m_wndType->currentIndex() == 0;
  form.address = m_wndAddress->text();
  form.second = m_wndSecond->text();
  form.lease_minutes = m_wndLease->text();
  form.boot_file = m_wndBootFile->text();
  form.subnet = m_wndSubnet->text();
  form.router = m_wndRouter->text();
  return form;
}

void CDhcpPoolDlg::accept() {
  const QString refusal = read_form(Form(), m_pool);
  if (!refusal.isEmpty()) {
    show_page_message(this, refusal);
    return;
  }
  QDialog::accept();
}
