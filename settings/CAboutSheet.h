#pragma once
// The About sheet: the version and licence, the libraries Tessary is built on, the release
// history, and the contributors with a picture. OK is its only button; web links open in the
// desktop's browser.
#include "settings/controls/CMyPage.h"
#include "settings/controls/CMySheet.h"

class CPngCtrl;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QTextBrowser;

// The version line (1055), the rights notice, the web link (1057) and the licence (1052).
class CAboutPage : public CMyPage {
 public:
  CAboutPage();
  void OnInitDialog() override;

  QLabel* m_wndIcon;
  QLabel* m_wndVersion;
  QLabel* m_wndLink;
  QTextBrowser* m_wndLicence;
};

// The libraries, each with its web address as a link (1054).
class CThirdPartyPage : public CMyPage {
 public:
  CThirdPartyPage();
  void OnInitDialog() override;

  QTextBrowser* m_wndText;
};

// The release history (1058).
class CChangeListPage : public CMyPage {
 public:
  CChangeListPage();
  void OnInitDialog() override;

  QPlainTextEdit* m_wndText;
};

// The contributors (1062 in group 1063); the link (1057) switches to the picture (1064) with
// its note (1065) and back.
class CContributionPage : public CMyPage {
 public:
  CContributionPage();
  void OnInitDialog() override;
  void OnLinkClicked();

  QLabel* m_wndLink;
  QGroupBox* m_wndGroup;
  QPlainTextEdit* m_wndNames;
  CPngCtrl* m_wndPicture;
  QLabel* m_wndNote;
};

class CAboutSheet : public CMySheet {
 public:
  explicit CAboutSheet(QWidget* parent = nullptr);

  CAboutPage m_pageAbout;
  CThirdPartyPage m_pageThirdParty;
  CChangeListPage m_pageChangeList;
  CContributionPage m_pageContribution;
};
