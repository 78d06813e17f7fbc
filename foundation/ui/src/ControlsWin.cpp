#include "ui/Controls.h"

#include <vector>

#include "vxlib/Charset.h"

namespace ui {

int CComboBox::InsertString(int index, const std::string& gbk) const {
    std::wstring text = Charset::String2WString(gbk);
    return static_cast<int>(Send(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str())));
}

std::string CComboBox::GetLBText(int index) const {
    LRESULT length = Send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length == CB_ERR) return std::string();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    Send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    return Charset::WString2String(buffer.data());
}

bool CComboBox::GetComboBoxInfo(COMBOBOXINFO& info) const {
    info.cbSize = sizeof(info);
    return ::GetComboBoxInfo(m_hWnd, &info) != FALSE;
}

}  // namespace ui
