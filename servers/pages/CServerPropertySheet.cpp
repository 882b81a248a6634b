#include "servers/pages/CServerPropertySheet.h"

CServerPropertySheet::CServerPropertySheet(QWidget* parent) : CMySheet(QStringLiteral("Tiny Server"), parent) {
  setObjectName("CServerPropertySheet");
  m_nButtons = SHEET_BTN_OK | SHEET_BTN_CANCEL | SHEET_BTN_APPLY;
  m_pages = {&m_pageDhcp, &m_pageTftp, &m_pageHttp};
}
