#include "FileCache.h"
#include "HtchFileMgr.h"
#include "HttpRequestMgrWin.h"

// The managers are never destroyed: download threads may still run while the DLL unloads, and
// nothing may be joined under the loader lock.
extern "C" {

VXHTTP_API IVxHttpRequestMgr* AfxGetHttpRequestMgr() {
    static IVxHttpRequestMgr* s_mgr = CreateHttpRequestMgr();
    return s_mgr;
}

VXHTTP_API IVxFileCache* AfxGetFileCache() {
    static IVxFileCache* s_cache = new (std::nothrow) CFileCache();
    return s_cache;
}

VXHTTP_API IVxHtchFileMgr* AfxGetHtchFileMgr() {
    static IVxHtchFileMgr* s_mgr = new (std::nothrow) CHtchFileMgr();
    return s_mgr;
}

}
