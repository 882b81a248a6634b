#pragma once
// The protocol parts of the Session Options "Connection" page: one small page per protocol,
// each filled from (LoadFromSession) and read into (StoreToSession) the record the dialog edits. Only the page of the chosen
// protocol is read, so the other protocols' settings keep their values. Every change the user
// makes is reported through `changed`.
#include <QWidget>

#include <functional>
#include <string>

struct session_record;
class CBaudrateComboBox;
class CComPortComboBox;
class CDatabitsComboBox;
class CParityComboBox;
class CStopbitsComboBox;
class QCheckBox;
class QFormLayout;
class QLineEdit;

// The host (311) and port (312) fields the SSH2 and Telnet pages share.
class COptHostPage : public QWidget {
 public:
  COptHostPage(session_record& session, std::function<void()> changed, QWidget* parent);

  virtual void LoadFromSession() = 0;
  // Reads and checks the record's fields from the page; false after an "Error" message.
  virtual bool StoreToSession() = 0;

 protected:
  // The trimmed host and the port, each refused when missing with "Please Enter <protocol>
  // host!" or "... port!" (a port must lie in 1-65535).
  bool ReadHostAndPort(const QString& protocol, std::string& host, uint16_t& port);

  session_record& m_session;
  std::function<void()> m_changed;
  QFormLayout* m_form;
  QLineEdit* m_wndHost;  // 311
  QLineEdit* m_wndPort;  // 312
};

class COptSsh2Page : public COptHostPage {
 public:
  COptSsh2Page(session_record& session, std::function<void()> changed, QWidget* parent = nullptr);
  void LoadFromSession() override;
  bool StoreToSession() override;

 private:
  QLineEdit* m_wndUser;      // 423
  QCheckBox* m_wndExplorer;  // 314
};

class COptTelnetPage : public COptHostPage {
 public:
  COptTelnetPage(session_record& session, std::function<void()> changed, QWidget* parent = nullptr);
  void LoadFromSession() override;
  bool StoreToSession() override;
};

class COptSerialPage : public QWidget {
 public:
  COptSerialPage(session_record& session, std::function<void()> changed, QWidget* parent = nullptr);
  void LoadFromSession();
  bool StoreToSession();

 private:
  session_record& m_session;
  CComPortComboBox* m_wndComPort;    // 320
  CBaudrateComboBox* m_wndBaudrate;  // 321
  CDatabitsComboBox* m_wndDatabits;  // 322
  CParityComboBox* m_wndParity;      // 323
  CStopbitsComboBox* m_wndStopbits;  // 324
};
