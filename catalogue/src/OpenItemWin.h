#pragma once
#include <string>

#include "http/VxHttpRequestMgr.h"

// An item of an item group (AfxGetHtchFileMgr), open for the life of the object: closed without
// keeping it unless the owner closed it on purpose, so that an exception leaves no item open.
// Used on one thread.
class COpenItem {
public:
    COpenItem(const char* group, const std::string& address) {
        IVxHtchFileMgr* items = AfxGetHtchFileMgr();
        m_open = items && items->OpenItem(group, address.c_str(), &m_handle) != 0;
    }
    ~COpenItem() {
        if (m_open) AfxGetHtchFileMgr()->CloseItem(m_handle, 0);
    }
    COpenItem(const COpenItem&) = delete;
    COpenItem& operator=(const COpenItem&) = delete;

    bool IsOpen() const { return m_open; }
    int Handle() const { return m_handle; }
    // The manager's result of closing with that keep flag.
    int Close(int keep) {
        m_open = false;
        return AfxGetHtchFileMgr()->CloseItem(m_handle, keep);
    }

private:
    int m_handle = 0;
    bool m_open = false;
};
