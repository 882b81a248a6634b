#include "settings/CAboutSheet.h"

#include <QDesktopServices>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/dialog_ids.h"
#include "settings/about_texts.h"
#include "settings/controls/CPngCtrl.h"

// Qt resources of a static library are registered by name, outside any namespace.
static void load_settings_resources() {
  static const bool loaded = [] {
    Q_INIT_RESOURCE(settings);
    return true;
  }();
  (void)loaded;
}

namespace {

// The picture of the Contribution page.
constexpr int contribution_picture = 439;

// A read-only box whose web addresses open in the browser when clicked.
QTextBrowser* link_box(QWidget* parent, int id) {
  auto* box = with_id(new QTextBrowser(parent), id);
  box->setOpenLinks(false);
  QObject::connect(box, &QTextBrowser::anchorClicked, box, [](const QUrl& url) { QDesktopServices::openUrl(url); });
  return box;
}

QPlainTextEdit* read_only_box(QWidget* parent, int id) {
  auto* box = with_id(new QPlainTextEdit(parent), id);
  box->setReadOnly(true);
  return box;
}

QGroupBox* group_around(const QString& title, QWidget* content, QWidget* parent) {
  auto* group = new QGroupBox(title, parent);
  auto* layout = new QVBoxLayout(group);
  content->setParent(group);
  layout->addWidget(content);
  return group;
}

}  // namespace

CAboutPage::CAboutPage() : CMyPage("About") {
  auto* icon = new QLabel(this);
  m_wndVersion = with_id(new QLabel("Tessary", this), 1055);
  auto* rights = new QLabel(this);
  rights->setText(rights_notice());
  m_wndLink = with_id(new QLabel(this), 1057);
  m_wndLink->setText(QString("<a href=\"%1\">%1</a>").arg(product_web_page()));
  connect(m_wndLink, &QLabel::linkActivated, this, [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
  m_wndLicence = link_box(this, 1052);

  auto* lines = new QVBoxLayout;
  lines->addWidget(m_wndVersion);
  lines->addWidget(rights);
  lines->addWidget(m_wndLink);
  auto* head = new QHBoxLayout;
  head->addWidget(icon, 0, Qt::AlignTop);
  head->addLayout(lines, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(head);
  layout->addWidget(group_around("License", m_wndLicence, this), 1);
  setMinimumSize(560, 400);
  m_wndIcon = icon;
}

void CAboutPage::OnInitDialog() {
  m_wndIcon->setPixmap(window()->windowIcon().pixmap(32, 32));
  m_wndVersion->setText(this_version_line());
  m_wndLicence->setHtml(linked_html(licence_text()));
  m_wndLicence->setFocus();
}

CThirdPartyPage::CThirdPartyPage() : CMyPage("Third-Party") {
  m_wndText = link_box(this, 1054);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group_around("Third-party Software", m_wndText, this));
}

void CThirdPartyPage::OnInitDialog() {
  m_wndText->setHtml(linked_html(third_party_text()));
  m_wndText->setFocus();
}

CChangeListPage::CChangeListPage() : CMyPage("ChangeList") {
  m_wndText = read_only_box(this, 1058);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group_around("Change List", m_wndText, this));
}

void CChangeListPage::OnInitDialog() { m_wndText->setPlainText(change_list_text()); }

CContributionPage::CContributionPage() : CMyPage("Contribution") {
  load_settings_resources();
  auto* thanks = new QLabel("Thanks to all following contributors!", this);
  m_wndLink = with_id(new QLabel("<a href=\"#\">Click here to donate!</a>", this), 1057);
  m_wndNames = read_only_box(this, 1062);
  m_wndGroup = with_id(group_around("Contributor", m_wndNames, this), 1063);
  m_wndPicture = with_id(new CPngCtrl(this), 1064);
  m_wndPicture->Load(contribution_picture);
  m_wndPicture->setFixedSize(m_wndPicture->m_image.size());
  m_wndNote = with_id(new QLabel("Contributor's name will be updated in next release!", this), 1065);
  m_wndPicture->hide();
  m_wndNote->hide();

  auto* top = new QHBoxLayout;
  top->addWidget(thanks);
  top->addStretch(1);
  top->addWidget(m_wndLink);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(m_wndGroup, 1);
  // The picture stands in the middle of the page, its note 5 px below it.
  layout->addStretch(1);
  layout->addWidget(m_wndPicture, 0, Qt::AlignHCenter);
  layout->addSpacing(5);
  layout->addWidget(m_wndNote, 0, Qt::AlignHCenter);
  layout->addStretch(1);
  connect(m_wndLink, &QLabel::linkActivated, this, &CContributionPage::OnLinkClicked);
}

void CContributionPage::OnInitDialog() { m_wndNames->setPlainText(contributors_text()); }

void CContributionPage::OnLinkClicked() {
  const bool show_picture = m_wndPicture->isHidden();
  m_wndLink->setText(show_picture ? "<a href=\"#\">Click here to show contributor!</a>"
                                  : "<a href=\"#\">Click here to donate!</a>");
  m_wndPicture->setVisible(show_picture);
  m_wndNote->setVisible(show_picture);
  m_wndNames->setVisible(!show_picture);
  m_wndGroup->setVisible(!show_picture);
}

CAboutSheet::CAboutSheet(QWidget* parent) : CMySheet("About Tessary", parent) {
  setObjectName("CAboutSheet");
  m_nButtons = SHEET_BTN_OK;
  m_pages = {&m_pageAbout, &m_pageThirdParty, &m_pageChangeList, &m_pageContribution};
}
