#pragma once
// The "Tiny Server" settings sheet: one page per server, each editing its settings node and
// restarting its server on Apply or OK. The pages are members; the tabs follow their order.
#include "servers/pages/CDhcpPropertyPage.h"
#include "servers/pages/CHttpPropertyPage.h"
#include "servers/pages/CTftpPropertyPage.h"
#include "settings/controls/CMySheet.h"

class CServerPropertySheet : public CMySheet {
 public:
  explicit CServerPropertySheet(QWidget* parent = nullptr);

  CDhcpPropertyPage m_pageDhcp;
  CTftpPropertyPage m_pageTftp;
  CHttpPropertyPage m_pageHttp;
};
