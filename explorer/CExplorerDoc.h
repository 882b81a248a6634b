#pragma once
// The document of an explorer session (document template 1).
#include "terminal/CBaseDoc.h"

class CExplorerDoc : public CBaseDoc {};
