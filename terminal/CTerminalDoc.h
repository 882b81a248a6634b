#pragma once
// The document of a terminal session (document template 0).
#include "terminal/CBaseDoc.h"

class CTerminalDoc : public CBaseDoc {};
