// The About sheet: its one button and four tabs, the version line, web links opened only when
// the left button is released on them, and the Contribution page's two views.
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>

#include "settings/CAboutSheet.h"
#include "settings/about_texts.h"
#include "settings/controls/CPngCtrl.h"
#include "tests/support/dialog_controls.h"

namespace {

// Takes the links the desktop would open.
class link_catcher : public QObject {
  Q_OBJECT

 public:
  link_catcher() {
    for (const char* scheme : {"http", "https"}) QDesktopServices::setUrlHandler(scheme, this, "open");
  }
  ~link_catcher() override {
    for (const char* scheme : {"http", "https"}) QDesktopServices::unsetUrlHandler(scheme);
  }
  Q_INVOKABLE void open(const QUrl& url) { opened.push_back(url.toString()); }

  std::vector<QString> opened;
};

TEST(AboutTexts, VersionLineHasFourNumbersAndTheBuildTime) {
  EXPECT_EQ(version_line("Tessary", "0.1.0", "Dec 10 2026", "13:28:07"),
            "Tessary, Version 0.1.0.0, Built Dec 10 2026 - 13:28:07");
  EXPECT_EQ(version_line("Tessary", "2.5.1.9", "a", "b"), "Tessary, Version 2.5.1.9, Built a - b");
  EXPECT_TRUE(this_version_line().startsWith("Tessary, Version 0.1.0.0, Built "));
  const QString html = linked_html("See https://www.lua.org/. And <this>.");
  EXPECT_EQ(html, "<p>See <a href=\"https://www.lua.org/\">https://www.lua.org/</a>. And &lt;this&gt;.</p>");
}

class AboutSheet : public ::testing::Test {
 protected:
  void SetUp() override {
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
  }
  CAboutSheet sheet;
};

TEST_F(AboutSheet, OnlyOkAndFourTabs) {
  EXPECT_EQ(sheet.windowTitle(), "About Tessary");
  EXPECT_TRUE(control<QPushButton>(sheet, 1)->isVisible());
  EXPECT_FALSE(control<QPushButton>(sheet, 2)->isVisible());
  EXPECT_FALSE(control<QPushButton>(sheet, 1008)->isVisible());
  EXPECT_NEAR(control<QPushButton>(sheet, 1)->geometry().right(), sheet.m_tab->geometry().right(), 12);
  QStringList titles;
  for (int i = 0; i < sheet.m_tab->count(); ++i) titles << sheet.m_tab->tabText(i);
  EXPECT_EQ(titles, (QStringList{"About", "Third-Party", "ChangeList", "Contribution"}));
  EXPECT_EQ(control<QLabel>(sheet, 1055)->text(), this_version_line());
  EXPECT_TRUE(sheet.m_pageChangeList.m_wndText->toPlainText().startsWith("2026.12.10 - Tessary V0.1.0.0 released"));
  control<QPushButton>(sheet, 1)->click();
  EXPECT_EQ(sheet.result(), QDialog::Accepted);
}

TEST_F(AboutSheet, ALinkOpensWhenTheButtonIsReleasedOnIt) {
  link_catcher links;
  sheet.m_tab->setCurrentIndex(1);
  QTextBrowser* box = control<QTextBrowser>(sheet, 1054);
  QTextCursor found = box->document()->find("https://libssh2.org/");
  ASSERT_FALSE(found.isNull());
  found.setPosition(found.selectionStart() + 4);
  const QPoint on_link = box->cursorRect(found).center();
  QTest::mousePress(box->viewport(), Qt::LeftButton, {}, on_link);
  EXPECT_TRUE(links.opened.empty());
  QTest::mouseRelease(box->viewport(), Qt::LeftButton, {}, on_link);
  EXPECT_EQ(links.opened, std::vector<QString>{"https://libssh2.org/"});
}

TEST_F(AboutSheet, ContributionLinkSwitchesBetweenTheListAndThePicture) {
  sheet.m_tab->setCurrentIndex(3);
  CContributionPage& page = sheet.m_pageContribution;
  EXPECT_FALSE(page.m_wndPicture->m_image.isNull());
  EXPECT_TRUE(control<QPlainTextEdit>(sheet, 1062)->isVisible());
  EXPECT_FALSE(control<CPngCtrl>(sheet, 1064)->isVisible());
  page.OnLinkClicked();
  EXPECT_TRUE(control<CPngCtrl>(sheet, 1064)->isVisible());
  EXPECT_TRUE(control<QLabel>(sheet, 1065)->isVisible());
  EXPECT_FALSE(control<QGroupBox>(sheet, 1063)->isVisible());
  EXPECT_EQ(page.m_wndLink->text(), "<a href=\"#\">Click here to show contributor!</a>");
  page.OnLinkClicked();
  EXPECT_TRUE(control<QPlainTextEdit>(sheet, 1062)->isVisible());
  EXPECT_FALSE(control<QLabel>(sheet, 1065)->isVisible());
  EXPECT_EQ(page.m_wndLink->text(), "<a href=\"#\">Click here to donate!</a>");
}

}  // namespace

#include "about_test.moc"
