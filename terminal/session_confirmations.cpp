#include "terminal/session_confirmations.h"

// The "CommonOptions" section is still kept as plain text by the settings store (its node does
// not read its switches yet), so every switch keeps its built-in value: ask first.
session_confirmations session_confirmations::current() { return {}; }
