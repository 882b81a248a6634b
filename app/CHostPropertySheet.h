#pragma once
// The new host wizard: the protocol, that protocol's parameters, then the host's name. Five
// pages, of which a host passes through three; the sheet routes Next by the chosen protocol
// (Back retraces the pages visited). Each page checks its input while the user types and offers
// Next or Finish only when it is complete. After Finish the caller reads `m_session`.
#include <QWizard>
#include <QWizardPage>

#include "app/host_wizard_rules.h"
#include "config/session_record.h"
#include "settings/controls/CCBPropertySheet.h"

class CHostPropertySheet;
class QCheckBox;
class QLineEdit;
class CProtocolComboBox;
class CComPortComboBox;
class CBaudrateComboBox;
class CDatabitsComboBox;
class CStopbitsComboBox;
class CParityComboBox;

// A page of the wizard: it works on the sheet's record, says which buttons it offers, and
// names the window while it is shown.
class CHostWizardPage : public QWizardPage {
 public:
  CHostWizardPage(CHostPropertySheet* sheet, const QString& title, const QString& subtitle, const QString& caption);

  // The page became the current one (forwards and backwards alike): it fills its controls from
  // the record and offers its buttons.
  virtual void OnSetActive() = 0;
  // Offers the buttons (PSWIZB_* bits): the page is complete while Next or Finish is among them.
  void SetWizardButtons(int buttons);
  int WizardButtons() const { return m_nButtons; }
  bool isComplete() const override;

  const QString m_strCaption;

 protected:
  CHostPropertySheet* m_pSheet;

 private:
  int m_nButtons = buttons_back;
};

class CProtocolPropertyPage : public CHostWizardPage {
 public:
  explicit CProtocolPropertyPage(CHostPropertySheet* sheet);
  void OnSetActive() override;

  CProtocolComboBox* m_wndProtocol;
};

class CSerialPropertyPage : public CHostWizardPage {
 public:
  explicit CSerialPropertyPage(CHostPropertySheet* sheet);
  void OnSetActive() override;
  // Any change of the five serial controls: stores them when port and rate are usable.
  void OnSerialPageChanged();

  CComPortComboBox* m_wndComPort;
  CBaudrateComboBox* m_wndBaudrate;
  CDatabitsComboBox* m_wndDatabits;
  CParityComboBox* m_wndParity;
  CStopbitsComboBox* m_wndStopbits;
};

class CSsh2PropertyPage : public CHostWizardPage {
 public:
  explicit CSsh2PropertyPage(CHostPropertySheet* sheet);
  void OnSetActive() override;
  void Store();

  QLineEdit* m_wndHost;
  QLineEdit* m_wndPort;
  QLineEdit* m_wndUser;
  QCheckBox* m_wndExplorer;
};

class CTelnetPropertyPage : public CHostWizardPage {
 public:
  explicit CTelnetPropertyPage(CHostPropertySheet* sheet);
  void OnSetActive() override;
  void Store();

  QLineEdit* m_wndHost;
  QLineEdit* m_wndPort;
};

class CHostnamePropertyPage : public CHostWizardPage {
 public:
  explicit CHostnamePropertyPage(CHostPropertySheet* sheet);
  void OnSetActive() override;
  // Finish: the record takes the name.
  bool validatePage() override;

  QLineEdit* m_wndName;
};

class CHostPropertySheet : public CCBPropertySheet {
 public:
  explicit CHostPropertySheet(QWidget* parent = nullptr);

  // The page that Next leads to from `page`, by the record's protocol.
  int GoNext(int page) const;
  int nextId() const override { return GoNext(currentId()); }

  CProtocolPropertyPage* m_pageProtocol;
  CSerialPropertyPage* m_pageSerial;
  CSsh2PropertyPage* m_pageSsh2;
  CTelnetPropertyPage* m_pageTelnet;
  CHostnamePropertyPage* m_pageHostname;
  // A fresh record for each run: new uuid, SSH2 on port 22, Telnet 23, COM 1 at 9600 8N1.
  session_record m_session;
};
