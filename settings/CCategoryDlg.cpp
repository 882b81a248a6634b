#include "settings/CCategoryDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVariant>

#include "platform/dialog_ids.h"
#include "settings/COptDialog.h"
#include "settings/controls/dialog_buttons.h"
#include "settings/controls/CCaption.h"
#include "settings/controls/CMyTreeCtrl.h"
#include "settings/controls/loading_guard.h"

namespace {
constexpr int page_role = Qt::UserRole;
}

CCategoryDlg::CCategoryDlg(const QString& title, QWidget* parent) : QDialog(parent) {
  setWindowTitle(title);
  m_wndTree = with_id(new CMyTreeCtrl(this), 374);
  m_wndTree->setHeaderHidden(true);
  m_wndTree->setFixedWidth(170);
  m_wndCaption = with_id(new CCaption(this), 375);
  m_wndCaption->setMinimumHeight(24);
  m_wndPages = new QStackedWidget(this);

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Category:", this), 0, 0);
  grid->addWidget(m_wndTree, 1, 0, 2, 1);
  grid->addWidget(m_wndCaption, 1, 1);
  grid->addWidget(m_wndPages, 2, 1);
  auto* buttons = new QHBoxLayout;
  grid->addLayout(buttons, 3, 0, 1, 2);
  add_ok_cancel(*this, *buttons);
  grid->setRowStretch(2, 1);
  grid->setColumnStretch(1, 1);
  grid->setHorizontalSpacing(0);
  grid->setVerticalSpacing(0);

  connect(m_wndTree, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { OnSelChanged(item); });
}

void CCategoryDlg::InitPage(COptDialog& page) {
  m_wndPages->addWidget(&page);
  loading_guard loading(page);
  page.OnInitDialog();
}

QTreeWidgetItem* CCategoryDlg::AddCategory(const QString& label, COptDialog* page, QTreeWidgetItem* parent) {
  auto* item = parent ? new QTreeWidgetItem(parent, {label}) : new QTreeWidgetItem(m_wndTree, {label});
  item->setData(0, page_role, QVariant::fromValue(static_cast<QWidget*>(page)));
  return item;
}

void CCategoryDlg::OnSelChanged(QTreeWidgetItem* item) {
  if (!item) return;
  m_wndCaption->setText(item->text(0));
  if (auto* page = item->data(0, page_role).value<QWidget*>()) m_wndPages->setCurrentWidget(page);
}

void CCategoryDlg::ExpandAll(QTreeWidgetItem* item) {
  item->setExpanded(true);
  for (int i = 0; i < item->childCount(); ++i) ExpandAll(item->child(i));
}
