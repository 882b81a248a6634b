#pragma once
// Session Options on one record, for the session windows and the host manager alike: the dialog
// runs on a copy; on OK the record takes the edited values, and when schemes were edited in the
// dialog every open terminal shows them at once (the dialog has stored them already).
struct session_record;
class QWidget;

// True on OK. `lock_mask` bit 0 locks the Connection page (a connected session), bit 1 the
// Terminal page, bit 2 the Appearance page.
bool edit_session_options(QWidget* parent, session_record& record, int lock_mask);
