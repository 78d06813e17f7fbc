#pragma once
#include "http/VxHttpRequestMgr.h"

// The WinINet request manager behind AfxGetHttpRequestMgr; lives for the whole process.
IVxHttpRequestMgr* CreateHttpRequestMgr();
