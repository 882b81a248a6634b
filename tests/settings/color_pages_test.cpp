// The colour lists and their pages: the list edits on their own (reset, delete, names), then the
// ANSI Color and Color Scheme pages of Global Options with the plan dialog and the scheme editor,
// and a plan's file text read back.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <fstream>
#include <sstream>

#include "config/color_text.h"
#include "platform/clock.h"
#include "platform/qt_text.h"
#include "settings/CAnsiColorDlg.h"
#include "settings/CColorSchemeDlg.h"
#include "settings/CNewColorPlanDlg.h"
#include "settings/CNewColorSchemeDlg.h"
#include "settings/CNewColorSchemeNameDlg.h"
#include "settings/CTerminalAppearanceDlg.h"
#include "settings/color_list_edits.h"
#include "settings/controls/CCaption.h"
#include "settings/controls/CSampleListBox.h"
#include "tests/settings/settings_fixture.h"

namespace settings_test {
namespace {

std::vector<ansi_color_plan> builtin_plans() {
  return {builtin_ansi_color_plans.begin(), builtin_ansi_color_plans.end()};
}

TEST(ColorListEdits, ResetRestoresTheEightColoursOfABuiltinPlanOnly) {
  auto plans = builtin_plans();
  plans.push_back({u"Solar", builtin_ansi_color_plans[1].colors});
  EXPECT_FALSE(reset_plan_colors(plans, -1, 0));
  EXPECT_FALSE(reset_plan_colors(plans, 7, 0));
  EXPECT_FALSE(reset_plan_colors(plans, 6, 0));  // a user plan has nothing to go back to
  EXPECT_FALSE(reset_plan_colors(plans, 0, 0));  // unchanged
  plans[0].colors[3] = 0x123456;
  plans[0].colors[9] = 0x654321;
  EXPECT_TRUE(reset_plan_colors(plans, 0, 0));
  EXPECT_EQ(plans[0].colors[3], builtin_ansi_color_plans[0].colors[3]);
  EXPECT_EQ(plans[0].colors[9], 0x654321u);
  EXPECT_TRUE(reset_plan_colors(plans, 0, 8));
  EXPECT_EQ(plans[0], builtin_ansi_color_plans[0]);
}

TEST(ColorListEdits, DeletingAUserPlanSendsItsSchemesToVga) {
  auto plans = builtin_plans();
  plans.push_back({u"Solar", {}});
  plans.push_back({u"solar", {}});
  std::vector<color_scheme> schemes = {{u"A", 0, 0, true, u"Solar"}, {u"B", 0, 0, true, u"solar"},
                                       {u"C", 0, 0, true, u"xterm"}};
  bool changed = true;
  for (int refused : {-1, 0, 5, 8}) {
    EXPECT_FALSE(delete_user_plan(plans, refused, schemes, changed)) << refused;
    EXPECT_FALSE(changed);
  }
  EXPECT_EQ(plans.size(), 8u);
  EXPECT_TRUE(delete_user_plan(plans, 6, schemes, changed));
  EXPECT_TRUE(changed);
  EXPECT_EQ(schemes[0].ansi_color_plan, u"VGA");
  EXPECT_EQ(schemes[1].ansi_color_plan, u"solar");  // names match exactly
  EXPECT_EQ(schemes[2].ansi_color_plan, u"xterm");
  ASSERT_EQ(plans.size(), 7u);
  EXPECT_EQ(plans[6].name, u"solar");
}

TEST(ColorListEdits, BuiltinSchemesAreNeverDeleted) {
  std::vector<color_scheme> schemes(builtin_color_schemes.begin(), builtin_color_schemes.end());
  schemes.push_back({u"Mine", 0, 0, false, u"VGA"});
  EXPECT_FALSE(delete_user_scheme(schemes, u"Standard"));
  EXPECT_FALSE(delete_user_scheme(schemes, u"mine"));
  EXPECT_TRUE(delete_user_scheme(schemes, u"Mine"));
  EXPECT_EQ(schemes.size(), 3u);
}

TEST(ColorListEdits, NewNamesAreTrimmedAndDifferExactly) {
  const auto plans = builtin_plans();
  const std::pair<QString, QString> rows[] = {
      {"", ""}, {"   ", ""}, {"VGA", ""}, {" xterm ", ""}, {"vga", "vga"}, {"  My plan \t", "My plan"},
  };
  for (const auto& [typed, name] : rows) EXPECT_EQ(new_entry_name(typed, plans), name) << typed.toStdString();
}

TEST(ColorDialogs, NewPlanAndNewSchemeNamesEnableOk) {
  test_support::scripted_ui ui;
  const auto plans = builtin_plans();
  CNewColorPlanDlg plan(plans);
  auto* plan_ok = control<QPushButton>(plan, 1);
  EXPECT_FALSE(plan_ok->isEnabled());
  for (const auto& [typed, enabled] : {std::pair{"VGA", false}, {"  ", false}, {"vga", true}, {" Sea ", true}}) {
    type_into(control<QLineEdit>(plan, 383), typed);
    EXPECT_EQ(plan_ok->isEnabled(), enabled) << typed;
  }
  choose(control<QComboBox>(plan, 376), "PuTTY");
  plan_ok->click();
  EXPECT_EQ(plan.m_strName, u"Sea");
  EXPECT_EQ(plan.m_nBase, 3);

  color_scheme_param schemes;
  CNewColorSchemeNameDlg scheme(schemes);
  EXPECT_EQ(scheme.windowTitle(), "New Color Scheme");
  auto* scheme_ok = control<QPushButton>(scheme, 1);
  type_into(control<QLineEdit>(scheme, 395), " Standard ");
  EXPECT_FALSE(scheme_ok->isEnabled());
  type_into(control<QLineEdit>(scheme, 395), " standard ");
  EXPECT_TRUE(scheme_ok->isEnabled());
  scheme_ok->click();
  EXPECT_EQ(scheme.m_strName, u"standard");
}

TEST(ColorDialogs, SchemeEditorPreviewsResetsAndMatchesPlansExactly) {
  test_support::scripted_ui ui;
  ansi_color_param plans;
  plans.plans.push_back({u"vga", builtin_ansi_color_plans[5].colors});
  color_scheme edited = builtin_color_schemes[1];  // Monochrome-Dark
  edited.ansi_color_plan = u"vga";
  edited.foreground = 0x112233;
  CNewColorSchemeDlg editor(plans, std::nullopt, edited, &builtin_color_schemes[1]);
  EXPECT_EQ(editor.windowTitle(), "Color Scheme: Monochrome-Dark");
  auto* preview = control<CSampleListBox>(editor, 388);
  ASSERT_EQ(preview->count(), 2);
  EXPECT_EQ(preview->item(0)->text(), "Normal");
  EXPECT_EQ(preview->item(1)->text(), "Bold");
  EXPECT_EQ(preview->GetItemData(1), 0x112233u);
  EXPECT_FALSE(control<QComboBox>(editor, 376)->isEnabled());
  EXPECT_EQ(control<QComboBox>(editor, 376)->currentText(), "vga");  // not "VGA"

  control<QRadioButton>(editor, 391)->click();
  ASSERT_EQ(preview->count(), 16);
  EXPECT_EQ(preview->item(0)->text(), "ANSI Black");
  EXPECT_EQ(preview->item(1)->text(), "ANSI Black Bold");
  EXPECT_EQ(preview->item(15)->text(), "ANSI White Bold");
  EXPECT_EQ(preview->GetItemData(2), builtin_ansi_color_plans[5].colors[1]);  // the user's "vga"
  EXPECT_EQ(preview->GetItemData(3), builtin_ansi_color_plans[5].colors[9]);
  choose(control<QComboBox>(editor, 376), "VGA");
  EXPECT_EQ(editor.m_scheme.ansi_color_plan, u"VGA");
  EXPECT_EQ(preview->GetItemData(2), builtin_ansi_color_plans[0].colors[1]);

  ui.expect_color(QColor(0x10, 0x20, 0x30));
  control<CCaption>(editor, 394)->STN_CLICKED(nullptr);
  EXPECT_EQ(editor.m_scheme.background, 0x302010u);
  EXPECT_EQ(preview->m_crBackground, 0x302010u);
  ui.expect_color(std::nullopt);  // cancelled: nothing changes
  control<CCaption>(editor, 393)->STN_CLICKED(nullptr);
  EXPECT_EQ(editor.m_scheme.foreground, 0x112233u);

  control<QPushButton>(editor, 392)->click();
  EXPECT_EQ(editor.m_scheme, builtin_color_schemes[1]);
  EXPECT_EQ(preview->count(), 2);
  EXPECT_TRUE(control<QRadioButton>(editor, 390)->isChecked());
  EXPECT_EQ(control<CCaption>(editor, 393)->m_crFill, rgb_color(0xFAFAFA));
}

class ColorPages : public OptionsDialogTest {
 protected:
  // Adds a plan named `name` based on `base` through the ANSI Color page.
  void new_plan(const QString& name, const QString& base) {
    ui.expect_modal([name, base](QDialog& asked) {
      type_into(asked.findChild<QLineEdit*>("id_383"), name);
      choose(asked.findChild<QComboBox*>("id_376"), base);
      asked.findChild<QPushButton*>("id_1")->click();
    });
    on<QPushButton>(378)->click();
  }
  color_ref swatch(int i) { return on<CCaption>(1000 + i)->m_crFill; }
  void click_swatch(int i, const QColor& picked) {
    ui.expect_color(picked);
    emit on<CCaption>(1000 + i)->STN_CLICKED(on<CCaption>(1000 + i));
  }
  QComboBox* plans() { return on<QComboBox>(376); }
  QListWidget* schemes() { return on<QListWidget>(384); }
  // The Color Scheme page's own buttons (the Default Sessions page has ids 386 and 387 too).
  QPushButton* scheme_button(int id) { return control<QPushButton>(*dialog->m_pColorScheme, id); }
  bool enabled(int id) { return on<QWidget>(id)->isEnabled(); }
};

TEST_F(ColorPages, BuiltinPlansResetAndUserPlansDelete) {
  EXPECT_EQ(plans()->currentText(), "VGA");
  for (int i = 0; i < 16; ++i) EXPECT_EQ(swatch(i), builtin_ansi_color_plans[0].colors[static_cast<size_t>(i)]);
  EXPECT_TRUE(enabled(381));
  EXPECT_TRUE(enabled(382));
  EXPECT_FALSE(enabled(377));

  new_plan("  Solar  ", "xterm");
  EXPECT_EQ(plans()->currentText(), "Solar");
  EXPECT_EQ(swatch(4), builtin_ansi_color_plans[5].colors[4]);
  EXPECT_FALSE(enabled(381));
  EXPECT_FALSE(enabled(382));
  EXPECT_TRUE(enabled(377));
  EXPECT_TRUE(dialog->m_pAnsiColor->m_bModified);
}

TEST_F(ColorPages, ResetRestoresTheChangedRowOnly) {
  on<QPushButton>(381)->click();
  EXPECT_FALSE(dialog->m_pAnsiColor->m_bModified);  // nothing to restore
  click_swatch(2, QColor(1, 2, 3));
  click_swatch(10, QColor(4, 5, 6));
  EXPECT_EQ(swatch(2), 0x030201u);
  EXPECT_EQ(dialog->m_pAnsiColor->m_plans.plans[0].colors[2], 0x030201u);
  on<QPushButton>(381)->click();
  EXPECT_EQ(swatch(2), builtin_ansi_color_plans[0].colors[2]);
  EXPECT_EQ(swatch(10), 0x060504u);
  EXPECT_TRUE(dialog->m_pAnsiColor->m_bModified);
}

TEST_F(ColorPages, APlanReadsBackFromTheFileAsItWasStored) {
  new_plan("Solar", "PuTTY");
  click_swatch(3, QColor(0xAB, 0xCD, 0xEF));
  press_ok();
  settings.save_timer_proc();
  std::ifstream in(settings.file_path);
  std::stringstream text;
  text << in.rdbuf();
  std::array<color_ref, 16> expected = builtin_ansi_color_plans[3].colors;
  expected[3] = 0xEFCDAB;
  const std::string line =
      "<Plan Name=\"Solar\">" + QString::fromStdU16String(plan_colors_text(expected)).toStdString() + "</Plan>";
  EXPECT_NE(text.str().find(line), std::string::npos) << line;
  EXPECT_NE(line.find("#00EFCDAB"), std::string::npos);
  configuration reread(settings.file_path, platform::real_clock());
  ASSERT_TRUE(reread.load());
  EXPECT_EQ(reread.ansi_colors->plans, settings.ansi_colors->plans);
  EXPECT_EQ(reread.ansi_colors->plans.back(), (ansi_color_plan{u"Solar", expected}));
}

TEST_F(ColorPages, DeletingAPlanSendsItsSchemesToVgaOnOk) {
  dialog.reset();
  settings.ansi_colors->plans.push_back({u"Solar", builtin_ansi_color_plans[2].colors});
  settings.color_schemes->schemes.push_back({u"Night", 0x111111, 0x222222, true, u"Solar"});
  open();
  choose(plans(), "Solar");
  ui.expect_message(platform::IDCANCEL);
  on<QPushButton>(377)->click();
  EXPECT_EQ(plans()->count(), 7);
  ui.expect_message(platform::IDOK);
  on<QPushButton>(377)->click();
  const auto asked = ui.messages().back();
  EXPECT_EQ(asked.text, "Palette using this color plan will default to VGA.\nWill you still want to delete?");
  EXPECT_EQ(asked.caption, "Confirm");
  EXPECT_EQ(asked.style, platform::MB_OKCANCEL | platform::MB_ICONQUESTION);
  EXPECT_EQ(plans()->currentText(), "VGA");
  EXPECT_EQ(plans()->count(), 6);
  EXPECT_FALSE(enabled(377));
  EXPECT_TRUE(dialog->m_pColorScheme->m_bModified);
  EXPECT_EQ(settings.color_schemes->schemes.back().ansi_color_plan, u"Solar");  // not before OK
  press_ok();
  EXPECT_EQ(settings.color_schemes->schemes.back().ansi_color_plan, u"VGA");
  EXPECT_EQ(settings.ansi_colors->plans.size(), 6u);
}

TEST_F(ColorPages, NewSchemeStartsAsMonochromeAndOffersThePagePlans) {
  new_plan("Solar", "CMD");
  EXPECT_FALSE(scheme_button(387)->isEnabled());  // "Monochrome" is selected
  EXPECT_TRUE(enabled(385));
  ui.expect_modal([](QDialog& asked) {
    type_into(asked.findChild<QLineEdit*>("id_395"), " Night ");
    asked.findChild<QPushButton*>("id_1")->click();
  });
  ui.expect_modal([](QDialog& editor) {
    EXPECT_EQ(editor.windowTitle(), "Color Scheme: Night");
    EXPECT_FALSE(editor.findChild<QPushButton*>("id_392")->isEnabled());
    EXPECT_EQ(editor.findChild<CCaption*>("id_393")->m_crFill, builtin_color_schemes[0].foreground);
    auto* plan_choice = editor.findChild<QComboBox*>("id_376");
    EXPECT_EQ(plan_choice->count(), 7);  // the plan added on the page, not stored yet
    editor.findChild<QRadioButton*>("id_391")->click();
    choose(plan_choice, "Solar");
    editor.findChild<QPushButton*>("id_1")->click();
  });
  scheme_button(386)->click();
  EXPECT_EQ(schemes()->currentItem()->text(), "Night");
  EXPECT_TRUE(scheme_button(387)->isEnabled());
  EXPECT_NE(on<QComboBox>(410)->findText("Night"), -1);  // the Appearance page offers it
  press_ok();
  const color_scheme& night = settings.color_schemes->schemes.back();
  EXPECT_EQ(night.name, u"Night");
  EXPECT_EQ(night.foreground, builtin_color_schemes[0].foreground);
  EXPECT_TRUE(night.ansi_color_mode);
  EXPECT_EQ(night.ansi_color_plan, u"Solar");
  EXPECT_EQ(settings.ansi_colors->plans.back().name, u"Solar");
}

TEST_F(ColorPages, EditingABuiltinSchemeAndItsReset) {
  schemes()->setCurrentRow(2);  // "Standard"
  EXPECT_FALSE(scheme_button(387)->isEnabled());
  ui.expect_modal([](QDialog& editor) {
    EXPECT_TRUE(editor.findChild<QPushButton*>("id_392")->isEnabled());
    emit editor.findChild<CCaption*>("id_393")->STN_CLICKED(nullptr);
    editor.findChild<QRadioButton*>("id_390")->click();
    editor.findChild<QPushButton*>("id_392")->click();  // back to FAFAFA on 0A0A0A, ANSI, "VGA"
    EXPECT_TRUE(editor.findChild<QRadioButton*>("id_391")->isChecked());
    EXPECT_EQ(editor.findChild<CCaption*>("id_393")->m_crFill, rgb_color(0xFAFAFA));
    editor.findChild<QRadioButton*>("id_390")->click();
    editor.findChild<QPushButton*>("id_1")->click();
  });
  ui.expect_color(QColor(1, 1, 1));  // asked inside the editor
  on<QPushButton>(385)->click();
  EXPECT_TRUE(dialog->m_pColorScheme->m_bModified);
  press_ok();
  color_scheme expected = builtin_color_schemes[2];
  expected.ansi_color_mode = false;
  EXPECT_EQ(settings.color_schemes->schemes[2], expected);
}

TEST_F(ColorPages, DeletingTheDefaultSchemeMakesMonochromeTheDefault) {
  dialog.reset();
  settings.color_schemes->schemes.push_back({u"Mine", 1, 2, false, u"VGA"});
  settings.terminal_appearance->default_color_scheme = u"Mine";
  open();
  EXPECT_EQ(on<QComboBox>(410)->currentText(), "Mine");
  EXPECT_FALSE(dialog->m_pAppearance->m_bModified);
  schemes()->setCurrentRow(3);
  ui.expect_message(platform::IDOK);
  scheme_button(387)->click();
  EXPECT_EQ(ui.messages().back().text,
            "Session using this scheme will default to Monochrome.\nWill you still want to delete?");
  EXPECT_EQ(schemes()->count(), 3);
  EXPECT_FALSE(enabled(385));
  EXPECT_FALSE(scheme_button(387)->isEnabled());
  EXPECT_EQ(on<QComboBox>(410)->currentText(), "Monochrome");
  EXPECT_TRUE(dialog->m_pAppearance->m_bModified);
  press_ok();
  EXPECT_EQ(settings.terminal_appearance->default_color_scheme, u"Monochrome");
  EXPECT_EQ(settings.color_schemes->schemes.size(), 3u);
}

TEST_F(ColorPages, CancelAfterPlanAndSchemeEditsChangesNothing) {
  new_plan("Solar", "VGA");
  click_swatch(0, QColor(9, 9, 9));
  ui.expect_modal([](QDialog& editor) {
    editor.findChild<QRadioButton*>("id_391")->click();
    editor.findChild<QPushButton*>("id_1")->click();
  });
  on<QPushButton>(385)->click();
  dialog->reject();
  EXPECT_EQ(settings.ansi_colors->plans.size(), 6u);
  EXPECT_EQ(settings.color_schemes->schemes[0], builtin_color_schemes[0]);
  EXPECT_FALSE(settings.save_pending());
}

}  // namespace
}  // namespace settings_test
