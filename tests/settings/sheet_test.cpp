// The tab sheet with pages of its own: which buttons it shows and where, loading that does not
// count as a change, Apply and OK stopping at a page that refuses, and Cancel applying nothing.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>

#include <memory>
#include <string>
#include <vector>

#include "settings/controls/CMyPage.h"
#include "settings/controls/CMySheet.h"

namespace {

// A page with one edit field that it fills when it loads; typing marks it modified. It records
// each OnApply in the shared log and refuses while `refuse` is set.
class probe_page : public CMyPage {
 public:
  probe_page(QString title, QSize size, std::vector<std::string>& log)
      : CMyPage(std::move(title)), m_log(log) {
    m_edit = new QLineEdit(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_edit);
    setMinimumSize(size);
    connect(m_edit, &QLineEdit::textChanged, this, [this] { SetModified(); });
  }
  void OnInitDialog() override { m_edit->setText("loaded"); }
  bool OnApply() override {
    m_log.push_back(m_strTitle.toStdString());
    if (refuse) return false;
    return CMyPage::OnApply();
  }

  QLineEdit* m_edit;
  bool refuse = false;

 private:
  std::vector<std::string>& m_log;
};

class probe_sheet : public CMySheet {
 public:
  explicit probe_sheet(int buttons) : CMySheet("Probe") {
    m_nButtons = buttons;
    m_pages = {&first, &second};
  }
  std::vector<std::string> applied;
  probe_page first{"First", QSize(200, 100), applied};
  probe_page second{"Second", QSize(420, 260), applied};
};

struct TabSheet : ::testing::Test {
  std::unique_ptr<probe_sheet> sheet;
  void open(int buttons) {
    sheet = std::make_unique<probe_sheet>(buttons);
    sheet->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet.get()));
  }
  QPushButton* button(int id) { return sheet->findChild<QPushButton*>(QStringLiteral("id_%1").arg(id)); }
  int right_edge(int id) { return button(id)->geometry().right(); }
  void type_on(probe_page& page, const QString& text) {
    sheet->m_tab->setCurrentWidget(&page);
    QTest::keyClicks(page.m_edit, text);
  }
};

TEST_F(TabSheet, ButtonsOfTheMaskArePackedFromTheRight) {
  struct row {
    int mask;
    std::vector<int> shown_right_to_left;  // ids: 1 OK, 2 Cancel, 1008 Apply
  };
  const row rows[] = {
      {SHEET_BTN_OK, {1}},
      {SHEET_BTN_OK | SHEET_BTN_CANCEL, {2, 1}},
      {SHEET_BTN_OK | SHEET_BTN_CANCEL | SHEET_BTN_APPLY, {1008, 2, 1}},
  };
  for (const row& r : rows) {
    open(r.mask);
    std::vector<int> shown;
    for (int id : {1, 2, 1008})
      if (button(id)->isVisible()) shown.push_back(id);
    std::sort(shown.begin(), shown.end(), [&](int a, int b) { return right_edge(a) > right_edge(b); });
    EXPECT_EQ(shown, r.shown_right_to_left) << "mask " << r.mask;
    // The rightmost shown button stands where Apply stands in the full row.
    EXPECT_NEAR(right_edge(shown.front()), sheet->m_tab->geometry().right(), 12) << "mask " << r.mask;
  }
}

TEST_F(TabSheet, TabsFollowThePagesAndFitTheLargest) {
  open(SHEET_BTN_OK);
  EXPECT_EQ(sheet->windowTitle(), "Probe");
  ASSERT_EQ(sheet->m_tab->count(), 2);
  EXPECT_EQ(sheet->m_tab->tabText(0), "First");
  EXPECT_EQ(sheet->m_tab->tabText(1), "Second");
  EXPECT_EQ(sheet->m_tab->objectName(), "id_1051");
  EXPECT_TRUE(sheet->first.isVisible());
  EXPECT_FALSE(sheet->second.isVisible());
  EXPECT_GE(sheet->first.width(), 420);
  EXPECT_GE(sheet->first.height(), 260);
  sheet->m_tab->setCurrentIndex(1);
  EXPECT_FALSE(sheet->first.isVisible());
  EXPECT_TRUE(sheet->second.isVisible());
  EXPECT_EQ(sheet->second.size(), sheet->first.size());
}

TEST_F(TabSheet, LoadingIsNoChangeAndApplyFollowsTheModifiedPages) {
  open(SHEET_BTN_OK | SHEET_BTN_CANCEL | SHEET_BTN_APPLY);
  EXPECT_EQ(sheet->first.m_edit->text(), "loaded");
  EXPECT_FALSE(sheet->first.m_bModified);
  EXPECT_FALSE(button(1008)->isEnabled());
  type_on(sheet->second, "x");
  EXPECT_TRUE(sheet->second.m_bModified);
  EXPECT_TRUE(button(1008)->isEnabled());
  button(1008)->click();
  EXPECT_EQ(sheet->applied, std::vector<std::string>{"Second"});  // only the modified page
  EXPECT_FALSE(sheet->second.m_bModified);
  EXPECT_FALSE(button(1008)->isEnabled());
  EXPECT_TRUE(sheet->isVisible());
}

TEST_F(TabSheet, ApplyAndOkStopAtTheFirstPageThatRefuses) {
  open(SHEET_BTN_OK | SHEET_BTN_CANCEL | SHEET_BTN_APPLY);
  type_on(sheet->first, "a");
  type_on(sheet->second, "b");
  sheet->first.refuse = true;
  button(1008)->click();
  EXPECT_EQ(sheet->applied, std::vector<std::string>{"First"});
  EXPECT_TRUE(button(1008)->isEnabled());
  button(1)->click();
  EXPECT_EQ(sheet->applied, (std::vector<std::string>{"First", "First"}));
  EXPECT_TRUE(sheet->isVisible());  // a page is still modified: the sheet stays open
  sheet->first.refuse = false;
  button(1)->click();
  EXPECT_EQ(sheet->applied, (std::vector<std::string>{"First", "First", "First", "Second"}));
  EXPECT_FALSE(sheet->isVisible());
  EXPECT_EQ(sheet->result(), QDialog::Accepted);
}

TEST_F(TabSheet, OkWithoutChangesClosesAtOnceAndCancelAppliesNothing) {
  open(SHEET_BTN_OK | SHEET_BTN_CANCEL);
  button(1)->click();
  EXPECT_TRUE(sheet->applied.empty());
  EXPECT_EQ(sheet->result(), QDialog::Accepted);

  open(SHEET_BTN_OK | SHEET_BTN_CANCEL);
  type_on(sheet->first, "a");
  button(2)->click();
  EXPECT_TRUE(sheet->applied.empty());
  EXPECT_EQ(sheet->result(), QDialog::Rejected);
  EXPECT_TRUE(sheet->first.m_bModified);
}

}  // namespace
