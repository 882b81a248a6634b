// The button and category editors: when OK is offered, what they return, how the button editor
// grows, its sample links and its Test.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "scripting/CNewButtonDlg.h"
#include "scripting/CNewCategoryDlg.h"
#include "tests/support/scripted_ui.h"

namespace {

TEST(ButtonEditor, NewButtonOffersOkOnlyForANameAndReturnsItAsTyped) {
  CNewButtonDlg editor(u"", 0, u"", u"", nullptr);
  editor.show();
  EXPECT_EQ(editor.windowTitle(), "Button Design - Powered by Lua");
  EXPECT_FALSE(editor.m_wndOk->isEnabled());
  EXPECT_EQ(editor.m_wndIcon->currentIndex(), 0);
  EXPECT_EQ(editor.m_wndIcon->count(), 4);
  QTest::keyClicks(editor.m_wndLabel, "   ");
  EXPECT_FALSE(editor.m_wndOk->isEnabled());
  editor.accept();
  EXPECT_TRUE(editor.isVisible());  // OK is not there yet
  QTest::keyClicks(editor.m_wndLabel, "go ");
  EXPECT_TRUE(editor.m_wndOk->isEnabled());
  editor.m_wndIcon->setCurrentIndex(2);
  editor.m_wndScript->setPlainText("a\nb");
  QTest::mouseClick(editor.m_wndOk, Qt::LeftButton);
  EXPECT_EQ(editor.result(), QDialog::Accepted);
  EXPECT_EQ(editor.m_strLabel, u"   go ");
  EXPECT_EQ(editor.m_nIconIndex, 2);
  EXPECT_EQ(editor.m_strScript, u"a\r\nb");
}

TEST(ButtonEditor, GrowsTheScriptBoxAndKeepsTheButtonsAtTheBottomRight) {
  CNewButtonDlg editor(u"x", 1, u"", u"", nullptr);
  editor.resize(100, 100);
  editor.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
  EXPECT_EQ(editor.size(), QSize(600, 400));
  const QRect script = editor.m_wndScript->geometry();
  const QRect output = editor.m_wndOutput->geometry();
  const QRect test = editor.m_wndTest->geometry();
  const QRect ok = editor.m_wndOk->geometry();
  editor.resize(700, 480);
  QCoreApplication::processEvents();
  EXPECT_EQ(editor.m_wndTest->geometry(), test.translated(100, 80));
  EXPECT_EQ(editor.m_wndOk->geometry(), ok.translated(100, 80));
  EXPECT_EQ(editor.m_wndScript->geometry(), script.adjusted(0, 0, 100, 80));
  EXPECT_EQ(editor.m_wndOutput->geometry(), output.adjusted(0, 80, 100, 80));
}

TEST(ButtonEditor, TestShowsTheLoopSampleExpanded) {
  CNewButtonDlg editor(u"x", 0, u"", u"", nullptr);
  editor.findChild<QLabel*>("id_1025")->linkActivated("sample");
  EXPECT_EQ(editor.m_wndScript->toPlainText(), "<%\nfor i=0,20,2 do\n  print(\"hello world \", i)\nend\n%>\n");
  QTest::mouseClick(editor.m_wndTest, Qt::LeftButton);
  QString expected;
  for (int i = 0; i <= 20; i += 2) expected += QStringLiteral("hello world \t%1\n").arg(i);
  EXPECT_EQ(editor.m_wndOutput->toPlainText(), expected + "\n");
  EXPECT_EQ(editor.m_strScript, u"");  // Test changes none of the results
}

TEST(ButtonEditor, TestShowsAFailureAndSampleReplacesTheSelection) {
  CNewButtonDlg editor(u"x", 0, u"", u"keep <% x = = 1 %> this", nullptr);
  QTest::mouseClick(editor.m_wndTest, Qt::LeftButton);
  const QStringList lines = editor.m_wndOutput->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], "Run script failed!");
  EXPECT_TRUE(lines[1].contains("unexpected symbol near '='")) << lines[1].toStdString();

  QTextCursor cursor = editor.m_wndScript->textCursor();
  cursor.setPosition(5);
  cursor.setPosition(18, QTextCursor::KeepAnchor);
  editor.m_wndScript->setTextCursor(cursor);
  editor.InsertSample(u"<% nprint('A') %>\r\n");
  EXPECT_EQ(editor.m_wndScript->toPlainText(), "keep <% nprint('A') %>\n this");
}

TEST(ButtonEditor, DialogSampleAsksAndEchoes) {
  CNewButtonDlg editor(u"x", 0, u"", u"", nullptr);
  editor.findChild<QLabel*>("id_1024")->linkActivated("sample");
  test_support::scripted_ui ui;
  ui.expect_modal([&editor](QDialog& form) {
    EXPECT_EQ(form.windowTitle(), "Test Dialog");
    EXPECT_EQ(form.parentWidget(), &editor);
    auto* name = form.findChild<QLineEdit*>();
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "Your Name");
    auto* ok = form.findChild<QPushButton*>("id_1");
    name->clear();
    EXPECT_FALSE(ok->isEnabled());  // the sample's name must be given
    name->setText("Ann");
    auto* sex = form.findChild<QComboBox*>();
    EXPECT_EQ(sex->currentText(), "female");
    sex->setCurrentIndex(0);
    QTest::mouseClick(ok, Qt::LeftButton);
  });
  QTest::mouseClick(editor.m_wndTest, Qt::LeftButton);
  EXPECT_EQ(editor.m_wndOutput->toPlainText(), "echo 'Your name is Ann and you are male!'\n");
}

TEST(CategoryEditor, TrimsTheNameAndOffersOkOnlyForOne) {
  CNewCategoryDlg blank(u"", nullptr);
  auto* ok = blank.findChild<QPushButton*>("id_1");
  auto* edit = blank.findChild<QLineEdit*>("id_1015");
  ASSERT_NE(ok, nullptr);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(blank.windowTitle(), "Category");
  EXPECT_FALSE(ok->isEnabled());
  QTest::keyClicks(edit, "  ");
  EXPECT_FALSE(ok->isEnabled());
  QTest::keyClicks(edit, "lab  ");
  EXPECT_TRUE(ok->isEnabled());
  EXPECT_EQ(blank.m_strName, u"lab");

  CNewCategoryDlg named(u"net", nullptr);
  EXPECT_EQ(named.findChild<QLineEdit*>("id_1015")->text(), "net");
  EXPECT_TRUE(named.findChild<QPushButton*>("id_1")->isEnabled());
  EXPECT_EQ(named.m_strName, u"net");
}

}  // namespace
