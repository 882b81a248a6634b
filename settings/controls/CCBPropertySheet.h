#pragma once
// A wizard sheet that, run modally, lays itself and every page out in 8 pt
// "Microsoft Sans Serif", whatever the application font; created modelessly it keeps the fonts
// it has. The new host wizard is one.
#include <QWizard>

class CCBPropertySheet : public QWizard {
 public:
  // What DoModal returns when the user pressed Finish.
  static constexpr int ID_WIZFINISH = 0x3025;

  explicit CCBPropertySheet(QWidget* parent = nullptr);

  // Runs the sheet through the ui facade (platform/ui.h): ID_WIZFINISH when it was finished,
  // otherwise the facade's answer (IDCANCEL).
  int DoModal();
  // Shows the sheet without waiting for it.
  void Create();
};
