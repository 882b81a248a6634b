// The shared controls on their own: sizes, painting read back from grabbed pixels, and the
// notifications they send, driven by mouse events through the window system as a user's are.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <memory>

#include "settings/controls/CCBPropertySheet.h"
#include "settings/controls/CCaption.h"
#include "settings/controls/CCursorSample.h"
#include "settings/controls/CIconButton.h"
#include "settings/controls/CMyComboBox.h"
#include "settings/controls/CMyTreeCtrl.h"
#include "settings/controls/CSampleListBox.h"
#include "settings/controls/control_look.h"
#include "tests/support/scripted_ui.h"

namespace {

QRgb rgb_of(uint32_t c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

QImage grab(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Mouse input as the window system delivers it: to the top-level window, which finds the widget.
void mouse_at(QWidget* widget, QEvent::Type type, QPoint local) {
  QWindow* window = widget->window()->windowHandle();
  ASSERT_NE(window, nullptr);
  QPoint at = window->mapFromGlobal(widget->mapToGlobal(local));
  switch (type) {
    case QEvent::MouseMove: QTest::mouseMove(window, at); break;
    case QEvent::MouseButtonPress: QTest::mousePress(window, Qt::LeftButton, {}, at); break;
    default: QTest::mouseRelease(window, Qt::LeftButton, {}, at); break;
  }
  QApplication::processEvents();
}

class ControlLook : public ::testing::Test {
 protected:
  void SetUp() override {
    install_control_look({[] { return 96; }, [this] { return look; }, [this] { return background; }});
  }
  void TearDown() override { install_control_look({}); }

  int look = 210;
  uint32_t background = 0x00FF00;
};

// --- CIconButton

using IconButton = ControlLook;

TEST_F(IconButton, IdealSizeFollowsIconCaptionAndMargin) {
  struct sizing {
    int icon;
    QString caption;
    int extra_margins;  // margins beyond the two outer ones
  };
  const sizing cases[] = {{16, "Enter", 1}, {0, "Enter", 0}, {16, "", 0}, {0, "", 0}};
  for (const auto& c : cases) {
    CIconButton button;
    EXPECT_EQ(button.m_nInnerMargin, 5);
    if (c.icon) button.SetIconAndCaption(417, c.icon, c.caption);
    else button.m_strCaption = c.caption;
    int cx = c.caption.isEmpty() ? 0 : QFontMetrics(button.m_font).horizontalAdvance(c.caption);
    int cy = c.caption.isEmpty() ? 0 : QFontMetrics(button.m_font).height();
    QRect ideal = button.CalcIdealRect();
    EXPECT_EQ(ideal.topLeft(), QPoint(0, 0));
    EXPECT_EQ(ideal.width(), c.icon + (2 + c.extra_margins) * 5 + cx) << c.icon << " " << c.caption.toStdString();
    EXPECT_EQ(ideal.height(), std::max(c.icon, cy) + 10) << c.icon << " " << c.caption.toStdString();
  }
}

TEST_F(IconButton, IconTallerThanTheButtonIsDrawnAtTheTopLeft) {
  CIconButton button;
  button.SetIconAndCaption(418, 48, nullptr);
  button.resize(60, 20);
  QImage image = grab(button);
  // The chevron's pixels lie within the icon's square from (0, 0); a margin that wrapped
  // around would have put the icon far outside the button.
  QRgb background = image.pixel(0, 0);
  int drawn = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != background) {
        ++drawn;
        EXPECT_LT(x, 48);
      }
  EXPECT_GT(drawn, 0);
}

TEST_F(IconButton, HoverHighlightsAndReleaseOverItNotifies) {
  QWidget owner;
  owner.resize(200, 100);
  auto* button = new CIconButton(&owner);
  button->m_bThemed = true;
  button->SetIconAndCaption(417, 16, QString("Go"));
  button->setGeometry(button->CalcIdealRect().translated(20, 20));
  owner.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
  QSignalSpy released(button, &CIconButton::IBN_LBUTTONUP);
  QSignalSpy clicked(button, &CIconButton::STN_CLICKED);

  EXPECT_EQ(grab(*button).pixel(1, 1), rgb_of(background));
  mouse_at(&owner, QEvent::MouseMove, QPoint(5, 5));
  mouse_at(button, QEvent::MouseMove, QPoint(3, 3));
  EXPECT_TRUE(button->m_bHover);
  EXPECT_EQ(grab(*button).pixel(1, 1), rgb_of(0xFFF3E5));
  EXPECT_EQ(grab(*button).pixel(0, 0), rgb_of(0xFFE8CC));
  mouse_at(&owner, QEvent::MouseMove, QPoint(5, 5));
  EXPECT_FALSE(button->m_bHover);
  EXPECT_EQ(grab(*button).pixel(1, 1), rgb_of(background));

  // A release over the button counts even without a press on it.
  QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(released.count(), 1);
  EXPECT_EQ(clicked.count(), 0);
  // A press on it is reported at once; its release elsewhere is not over the button.
  mouse_at(button, QEvent::MouseButtonPress, QPoint(3, 3));
  EXPECT_EQ(clicked.count(), 1);
  mouse_at(button, QEvent::MouseButtonRelease, QPoint(-10, -10));
  EXPECT_EQ(released.count(), 1);
  mouse_at(button, QEvent::MouseButtonPress, QPoint(3, 3));
  mouse_at(button, QEvent::MouseButtonRelease, QPoint(4, 4));
  ASSERT_EQ(released.count(), 2);
  EXPECT_EQ(released.last().at(0).value<CIconButton*>(), button);
}

TEST_F(IconButton, DarkLookDimsAThemedCaption) {
  look = 216;
  background = 0x535353;
  CIconButton button;
  button.m_bThemed = true;
  button.m_strCaption = "WWWW";
  button.resize(button.CalcIdealRect().size());
  QImage image = grab(button);
  bool dimmed = false;
  for (int y = 0; y < image.height() && !dimmed; ++y)
    for (int x = 0; x < image.width() && !dimmed; ++x) dimmed = image.pixel(x, y) == rgb_of(0xC8C8C8);
  EXPECT_TRUE(dimmed);
}

// --- CCaption

TEST(Caption, EmptyTextShowsOnlyFillAndFrame) {
  CCaption swatch;
  swatch.m_crFill = 0x3366CC;
  swatch.m_b3DFrame = true;
  swatch.resize(40, 20);
  QImage image = grab(swatch);
  EXPECT_EQ(image.pixel(0, 0), rgb_of(0xFAFAFA));
  EXPECT_EQ(image.pixel(0, 10), rgb_of(0xFAFAFA));
  EXPECT_EQ(image.pixel(39, 19), rgb_of(0x646464));
  EXPECT_EQ(image.pixel(20, 19), rgb_of(0x646464));
  for (int y = 1; y < 19; ++y)
    for (int x = 1; x < 39; ++x) ASSERT_EQ(image.pixel(x, y), rgb_of(0x3366CC)) << x << "," << y;

  swatch.setText("Title");
  swatch.m_crText = 0x0000FF;
  image = grab(swatch);
  int text_pixels = 0;
  for (int y = 1; y < 19; ++y)
    for (int x = 1; x < 5; ++x) EXPECT_EQ(image.pixel(x, y), rgb_of(0x3366CC));  // the left padding
  for (int y = 1; y < 19; ++y)
    for (int x = 5; x < 39; ++x) text_pixels += image.pixel(x, y) != rgb_of(0x3366CC);
  EXPECT_GT(text_pixels, 0);
}

// --- CMyComboBox

class HistoryCombo : public ::testing::Test {
 protected:
  // How long a test waits for what must come: only a fault uses it up.
  static constexpr int wait_bound_ms = 20000;

  void SetUp() override {
    owner = std::make_unique<QWidget>();
    owner->resize(300, 60);
    combo = new CMyComboBox(owner.get());
    combo->setGeometry(10, 10, 280, 24);
    for (const char* entry : {"/srv/tftp", "/home/me", "/tmp", "/home/me/pub"}) combo->AddString(entry);
    owner->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(owner.get()));
  }

  QStringList entries() const {
    QStringList list;
    for (int i = 0; i < combo->count(); ++i) list << combo->itemText(i);
    return list;
  }

  QWidget* open_list() {
    combo->showPopup();
    QWidget* list = combo->view()->viewport();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    return list;
  }

  QPoint centre_of(int row) { return combo->view()->visualRect(combo->model()->index(row, 0)).center(); }

  // Runs the event loop until the highlighted row's cross is painted on `row`: its place is
  // known only once it is drawn.
  bool cross_drawn_on(int row) {
    return QTest::qWaitFor(
        [&] { return combo->m_rcCross.contains(combo->m_rcCross.center().x(), centre_of(row).y()); }, wait_bound_ms);
  }

  std::unique_ptr<QWidget> owner;
  CMyComboBox* combo;
};

TEST_F(HistoryCombo, EntriesAreKeptSorted) {
  EXPECT_EQ(entries(), (QStringList{"/home/me", "/home/me/pub", "/srv/tftp", "/tmp"}));
}

TEST_F(HistoryCombo, PressOnTheCrossDeletesTheHighlightedEntry) {
  combo->setEditText("/home");
  QSignalSpy deleted(combo, &CMyComboBox::WM_COMBO_ITEM_DELETED);
  QWidget* list = open_list();

  // Hover over the third entry's text: it becomes the highlighted one, with its cross drawn.
  QPoint text_point(20, centre_of(2).y());
  mouse_at(list, QEvent::MouseMove, text_point);
  mouse_at(list, QEvent::MouseMove, text_point + QPoint(1, 0));
  ASSERT_EQ(combo->view()->currentIndex().row(), 2);
  ASSERT_TRUE(cross_drawn_on(2));
  EXPECT_FALSE(combo->m_bOverCross);

  // Over the cross: shaded.
  mouse_at(list, QEvent::MouseMove, combo->m_rcCross.center());
  EXPECT_TRUE(combo->m_bOverCross);
  QImage shown = grab(*list);
  EXPECT_EQ(shown.pixel(combo->m_rcCross.left() + 1, combo->m_rcCross.top() + 1), rgb_of(0xFAE6E6));

  mouse_at(list, QEvent::MouseButtonPress, combo->m_rcCross.center());
  mouse_at(list, QEvent::MouseButtonRelease, combo->m_rcCross.center());
  EXPECT_EQ(entries(), (QStringList{"/home/me", "/home/me/pub", "/tmp"}));
  // The list stays open; the first entry starting with the typed text is selected.
  EXPECT_TRUE(list->isVisible());
  EXPECT_EQ(combo->currentText(), "/home/me");
  EXPECT_TRUE(QTest::qWaitFor([&] { return deleted.count() == 1; }, wait_bound_ms));

  // A press away from the cross selects as usual and closes the list.
  mouse_at(list, QEvent::MouseMove, QPoint(20, centre_of(1).y()));
  mouse_at(list, QEvent::MouseMove, QPoint(21, centre_of(1).y()));
  EXPECT_FALSE(combo->m_bOverCross);
  mouse_at(list, QEvent::MouseButtonPress, QPoint(21, centre_of(1).y()));
  mouse_at(list, QEvent::MouseButtonRelease, QPoint(21, centre_of(1).y()));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !list->isVisible(); }, wait_bound_ms));
  EXPECT_EQ(combo->currentText(), "/home/me/pub");
  EXPECT_EQ(combo->count(), 3);
  QApplication::processEvents();
  EXPECT_EQ(deleted.count(), 1);
}

TEST_F(HistoryCombo, TypedTextMatchingNoEntryStaysAfterADeletion) {
  combo->setEditText("ftp://server/");
  QWidget* list = open_list();
  mouse_at(list, QEvent::MouseMove, QPoint(20, centre_of(0).y()));
  mouse_at(list, QEvent::MouseMove, QPoint(21, centre_of(0).y()));
  ASSERT_TRUE(cross_drawn_on(0));
  mouse_at(list, QEvent::MouseMove, combo->m_rcCross.center());
  mouse_at(list, QEvent::MouseButtonPress, combo->m_rcCross.center());
  mouse_at(list, QEvent::MouseButtonRelease, combo->m_rcCross.center());
  EXPECT_EQ(entries(), (QStringList{"/home/me/pub", "/srv/tftp", "/tmp"}));
  EXPECT_EQ(combo->currentText(), "ftp://server/");
  combo->hidePopup();
}

// --- CMyTreeCtrl

TEST(MyTree, TextStartsAfterTheButtonOrAtTheLevelIndent) {
  CMyTreeCtrl tree;
  tree.resize(300, 200);
  auto* top = new QTreeWidgetItem(&tree, QStringList{"Terminal"});
  auto* child = new QTreeWidgetItem(top, QStringList{"Appearance"});
  auto* grandchild = new QTreeWidgetItem(child, QStringList{"Colours"});
  tree.expandAll();
  tree.show();
  int indent = tree.indentation();
  auto index = [&](QTreeWidgetItem* item) { return tree.indexFromItem(item); };

  // With buttons, an item with children starts its text at the button part's right edge.
  EXPECT_EQ(tree.ButtonPartRect(index(top)).width(), indent);
  EXPECT_EQ(tree.TextRect(index(top)).left(), indent);
  EXPECT_EQ(tree.TextRect(index(child)).left(), 2 * indent);
  EXPECT_EQ(tree.TextRect(index(grandchild)).left(), 3 * indent + 3);  // a leaf has no button

  tree.m_bHasButtons = false;
  for (auto* item : {top, child, grandchild}) {
    int level = item == top ? 0 : item == child ? 1 : 2;
    EXPECT_EQ(tree.ButtonPartRect(index(item)).width(), 0);
    EXPECT_EQ(tree.TextRect(index(item)).left(), (level + 1) * indent + 3);
  }
}

TEST(MyTree, CurrentItemIsShadedBehindItsTextOrAcrossTheRow) {
  CMyTreeCtrl tree;
  tree.resize(300, 200);
  auto* first = new QTreeWidgetItem(&tree, QStringList{"Common"});
  new QTreeWidgetItem(&tree, QStringList{"Terminal"});
  tree.setCurrentItem(first);
  tree.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
  QRect text = tree.TextRect(tree.indexFromItem(first));
  QRgb shade = rgb_of(0xFFE8CD);
  QImage image = grab(*tree.viewport());
  EXPECT_EQ(image.pixel(text.left() - 2, text.center().y()), shade);
  EXPECT_NE(image.pixel(text.right() + 20, text.center().y()), shade);
  tree.m_bFullRowSelect = true;
  image = grab(*tree.viewport());
  EXPECT_EQ(image.pixel(text.right() + 20, text.center().y()), shade);
  EXPECT_EQ(image.pixel(1, text.center().y()), shade);
}

// --- CSampleListBox

TEST(SampleList, EntriesDrawnInTheirColoursOnTheBackground) {
  CSampleListBox list;
  list.m_crBackground = 0x202020;
  list.m_font = point_font(list.m_strFaceName, list.m_nPointSize, list);
  list.resize(200, 120);
  list.AddString("\u2588\u2588\u2588\u2588", 0x0000FF);
  list.AddString("\u2588\u2588\u2588\u2588", 0x00FF00);
  list.setCurrentRow(0);
  list.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
  QRect first = list.visualItemRect(list.item(0));
  EXPECT_EQ(first.height(), QFontMetrics(list.m_font).height() + 10);
  QImage image = grab(*list.viewport());
  QRect second = list.visualItemRect(list.item(1));
  // Selection is not shown: the selected entry's margin keeps the background colour.
  EXPECT_EQ(image.pixel(first.left() + 1, first.center().y()), rgb_of(0x202020));
  EXPECT_EQ(image.pixel(first.left() + 8, first.center().y()), rgb_of(0x0000FF));
  EXPECT_EQ(image.pixel(second.left() + 8, second.center().y()), rgb_of(0x00FF00));
  EXPECT_EQ(image.pixel(190, 115), rgb_of(0x202020));
}

// --- CCursorSample

TEST(CursorSample, BlockCursorInvertsItsCellOnOddTicksOnly) {
  CCursorSample sample;
  sample.setText("abcd");
  sample.m_nCursorColumn = 1;
  sample.m_nCursorStyle = 2;
  sample.m_crText = 0xFFFFFF;
  sample.m_crBackground = 0x000000;
  sample.resize(120, 40);
  QRect cursor = sample.CursorRect();
  QFontMetrics metrics(point_font(sample.m_strFaceName, sample.m_nPointSize, sample));
  EXPECT_EQ(cursor.width(), metrics.horizontalAdvance("ab") - metrics.horizontalAdvance("a"));
  EXPECT_EQ(cursor.left(), (120 - metrics.horizontalAdvance("abcd")) / 2 + metrics.horizontalAdvance("a"));
  EXPECT_EQ(cursor.height(), metrics.height());

  QImage before = grab(sample);
  sample.OnTimer();
  QImage odd = grab(sample);
  sample.OnTimer();
  QImage even = grab(sample);
  EXPECT_EQ(even, before);
  // On the odd tick exactly the cursor's cell is inverted.
  for (int y = 0; y < before.height(); ++y)
    for (int x = 0; x < before.width(); ++x) {
      QRgb expected = cursor.contains(x, y) ? (~before.pixel(x, y) & 0xFFFFFF) | 0xFF000000 : before.pixel(x, y);
      ASSERT_EQ(odd.pixel(x, y), expected) << x << "," << y;
    }

  sample.m_nCursorStyle = 1;
  EXPECT_EQ(sample.CursorRect(), QRect(cursor.left(), cursor.bottom(), cursor.width(), 1));
  sample.m_nCursorStyle = 0;
  EXPECT_EQ(sample.CursorRect(), QRect(cursor.left(), cursor.top(), 1, cursor.height()));
}

// --- CCBPropertySheet

TEST(PropertySheet, ModalRunImposesTheDialogFontAndReportsFinish) {
  CCBPropertySheet sheet;
  auto* page = new QWizardPage;
  sheet.addPage(page);
  test_support::scripted_ui ui;
  ui.expect_modal([&](QDialog& dialog) {
    EXPECT_EQ(dialog.font().family(), "Microsoft Sans Serif");
    EXPECT_EQ(page->font().pixelSize(), mul_div(8, dialog.logicalDpiY(), 72));
    EXPECT_EQ(static_cast<QWizard&>(dialog).buttonText(QWizard::CancelButton), "Cancel");
    dialog.accept();
  });
  EXPECT_EQ(sheet.DoModal(), CCBPropertySheet::ID_WIZFINISH);
  ui.expect_modal([](QDialog& dialog) { dialog.reject(); });
  EXPECT_EQ(sheet.DoModal(), platform::IDCANCEL);
  sheet.Create();
  EXPECT_NE(sheet.font().family(), "Microsoft Sans Serif");
  sheet.hide();
}

}  // namespace
