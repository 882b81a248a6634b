#pragma once
// The explorer's list commands, shown in its pop-up menu ("ExplorerPopup") and, but for New
// Folder, in the session menu; the main frame routes them to the active explorer view.
enum explorer_command : int {
  ID_EXPLORER_REFRESH = 32832,     // "Refresh"
  ID_EXPLORER_DOWNLOAD = 32811,    // "Download..."
  ID_EXPLORER_UPLOAD = 32812,      // "Upload..."
  ID_EXPLORER_NEW_FOLDER = 32834,  // "New Folder"
  ID_EXPLORER_MODIFY = 32829,      // "Modify"
  ID_EXPLORER_DELETE = 32828,      // "Delete\tDel"
};
