#pragma once
// The base of every page of the two options dialogs. A page edits its own copy of the settings
// it shows (or the record the Session Options dialog edits), so nothing reaches the live
// configuration before the dialog's OK:
// - OnInitDialog loads the settings (LoadFromConfig) and fills the controls; the dialog runs it
//   once, with the signals of the controls blocked, so loading is never taken for a change;
// - every change the user makes marks the page modified (OnModified);
// - the dialog's OK runs Validate on every page, and only when all agree, StoreToConfig on the
//   modified ones.
#include <QString>
#include <QWidget>

// Shows `message` as an input error (caption "Error", the error icon) over `parent`; returns
// false for a check to hand on.
bool refuse_input(QWidget* parent, const QString& message);

class QCheckBox;

class COptDialog : public QWidget {
 public:
  explicit COptDialog(QWidget* parent = nullptr);

  // LoadFromConfig, then the controls from the loaded values.
  virtual void OnInitDialog() = 0;
  virtual void LoadFromConfig() = 0;
  virtual void StoreToConfig() = 0;
  // Reads and checks the controls into the page's copy. On bad input one message box (caption
  // "Error", the error icon) says what is wrong, and the result is false.
  virtual bool Validate() { return true; }

  void OnModified() { m_bModified = true; }
  // A click on `box` sets `flag` (a member of the page's copy) to the box's state and marks the
  // page modified.
  void BindFlag(QCheckBox* box, bool& flag);

  bool m_bModified = false;

 protected:
  bool Refuse(const QString& message) { return refuse_input(this, message); }
};
