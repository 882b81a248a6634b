#pragma once
// The three small dialogs of an SSH2 login: a missing user name, a missing or refused password,
// and whether to try again after a refusal. Each shows the connection's host and user name.
#include <QDialog>

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ssh2_param;

// The prompt and message texts.
std::u16string username_prompt(const ssh2_param& params);
std::u16string password_prompt(const ssh2_param& params);
std::u16string auth_failed_message(const ssh2_param& params);

class CSsh2UsernameDlg : public QDialog {
 public:
  CSsh2UsernameDlg(const ssh2_param& params, QWidget* parent = nullptr);
  // The user name without its trailing blanks.
  std::string UserName() const;
  bool SaveRequested() const;

 private:
  QLineEdit* m_wndUser;
  QCheckBox* m_wndSave;
  QPushButton* m_wndOk;
};

class CSsh2PasswordDlg : public QDialog {
 public:
  CSsh2PasswordDlg(const ssh2_param& params, QWidget* parent = nullptr);
  // The password as typed: blanks are part of it.
  std::string Password() const;
  bool SaveRequested() const;

 private:
  QLineEdit* m_wndPassword;
  QCheckBox* m_wndSave;
  QPushButton* m_wndOk;
};

class CSsh2AuthFailDlg : public QDialog {
 public:
  CSsh2AuthFailDlg(const ssh2_param& params, QWidget* parent = nullptr);
};
