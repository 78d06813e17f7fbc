#include "ActionInterfaces.h"

IUserAction* g_pUserAction = nullptr;
IFolderAction* g_pFolderAction = nullptr;
