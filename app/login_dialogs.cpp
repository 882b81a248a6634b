#include "app/login_dialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/dialog_ids.h"
#include "app/quick_connect_rules.h"
#include "config/connection_params.h"
#include "config/text_convert.h"
#include "platform/qt_text.h"
#include "settings/controls/dialog_buttons.h"

namespace {

QString wide(const std::string& narrow) { return platform::to_qstring(mbs_to_wstring(narrow)); }

// OK (default, disabled until the input is complete) and Cancel below `content`.
QPushButton* add_buttons(QDialog& dialog, QLayout* content) {
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(content);
  return add_ok_cancel(dialog, *layout);
}

}  // namespace

std::u16string username_prompt(const ssh2_param& params) {
  return u"Please enter username to login host " + mbs_to_wstring(params.hostname) + u"!";
}

std::u16string password_prompt(const ssh2_param& params) {
  return u"Please enter correct password to login " + mbs_to_wstring(params.username) + u"@" +
         mbs_to_wstring(params.hostname) + u" !";
}

std::u16string auth_failed_message(const ssh2_param& params) {
  return u"Failed to authorize account " + mbs_to_wstring(params.username) + u"@" +
         mbs_to_wstring(params.hostname) + u" !\r\nYou can click OK to retry!";
}

CSsh2UsernameDlg::CSsh2UsernameDlg(const ssh2_param& params, QWidget* parent) : QDialog(parent) {
  setObjectName("CSsh2UsernameDlg");
  setWindowTitle("Enter SSH2 Username");
  auto* grid = new QGridLayout;
  grid->addWidget(with_id(new QLabel(platform::to_qstring(username_prompt(params)), this), 1002), 0, 0, 1, 2);
  grid->addWidget(new QLabel("Username:", this), 1, 0);
  m_wndUser = with_id(new QLineEdit(this), 1001);
  grid->addWidget(m_wndUser, 1, 1);
  m_wndSave = with_id(new QCheckBox("Save username", this), 1009);
  grid->addWidget(m_wndSave, 2, 1);
  m_wndOk = add_buttons(*this, grid);
  m_wndOk->setEnabled(false);
  connect(m_wndUser, &QLineEdit::textChanged, this,
          [this] { m_wndOk->setEnabled(!UserName().empty()); });
  m_wndUser->setFocus();
}

std::string CSsh2UsernameDlg::UserName() const {
  return wcs_to_string(trim_trailing_blanks(platform::to_u16string(m_wndUser->text())));
}

bool CSsh2UsernameDlg::SaveRequested() const { return m_wndSave->isChecked(); }

CSsh2PasswordDlg::CSsh2PasswordDlg(const ssh2_param& params, QWidget* parent) : QDialog(parent) {
  setObjectName("CSsh2PasswordDlg");
  setWindowTitle("Enter SSH2 Password");
  auto* grid = new QGridLayout;
  grid->addWidget(with_id(new QLabel(platform::to_qstring(password_prompt(params)), this), 1004), 0, 0, 1, 2);
  grid->addWidget(new QLabel("Username:", this), 1, 0);
  auto* user = with_id(new QLineEdit(wide(params.username), this), 1001);
  user->setReadOnly(true);
  grid->addWidget(user, 1, 1);
  grid->addWidget(new QLabel("Password:", this), 2, 0);
  m_wndPassword = with_id(new QLineEdit(this), 1000);
  m_wndPassword->setEchoMode(QLineEdit::Password);
  grid->addWidget(m_wndPassword, 2, 1);
  m_wndSave = with_id(new QCheckBox("Save password", this), 1009);
  grid->addWidget(m_wndSave, 3, 1);
  m_wndOk = add_buttons(*this, grid);
  m_wndOk->setEnabled(false);
  connect(m_wndPassword, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_wndOk->setEnabled(!text.isEmpty()); });
  m_wndPassword->setFocus();
}

std::string CSsh2PasswordDlg::Password() const {
  return wcs_to_string(platform::to_u16string(m_wndPassword->text()));
}

bool CSsh2PasswordDlg::SaveRequested() const { return m_wndSave->isChecked(); }

CSsh2AuthFailDlg::CSsh2AuthFailDlg(const ssh2_param& params, QWidget* parent) : QDialog(parent) {
  setObjectName("CSsh2AuthFailDlg");
  setWindowTitle("SSH2 Login Failed");
  auto* grid = new QGridLayout;
  QString message = platform::to_qstring(auth_failed_message(params)).replace("\r\n", "\n");
  grid->addWidget(with_id(new QLabel(message, this), 1005), 0, 0);
  add_buttons(*this, grid);
}
