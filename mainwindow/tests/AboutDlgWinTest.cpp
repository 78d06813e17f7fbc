#include "AboutDlgWin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resource.h"
#include "testing/ScopedDataRootWin.h"
#include "vxlib/UserId.h"

namespace {

// Reads what the box shows, clicks the link the way a user does, then presses OK.
class CAboutProbe : public CAboutDlg {
public:
    std::string name, link;
    std::vector<std::string> opened;

protected:
    BOOL OnInitDialog() override {
        BOOL result = CAboutDlg::OnInitDialog();
        name = GetDlgItemText(IDC_ABOUT_NAME);
        link = GetDlgItemText(IDC_ABOUT_LINK);
        HWND control = GetDlgItem(IDC_ABOUT_LINK);
        ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        ::PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        ::PostMessageW(GetDlgItem(IDOK), BM_CLICK, 0, 0);
        return result;
    }
    void OpenLink(const std::string& address) override { opened.push_back(address); }
};

}  // namespace

TEST(AboutDlg, NameLineDropsTheVersionPrefixUpToTheFirstUnderscore) {
    EXPECT_EQ("Vx音乐网盘 v1.2.0.7", CAboutDlg::NameAndVersion("1.2.0.7"));
    EXPECT_EQ("Vx音乐网盘 v2.1.0.8", CAboutDlg::NameAndVersion("VxMelodisk_2.1.0.8"));
    EXPECT_EQ("Vx音乐网盘 v3.0_beta", CAboutDlg::NameAndVersion("Vx_3.0_beta"));
    EXPECT_EQ("Vx音乐网盘 v", CAboutDlg::NameAndVersion("Vx_"));
    EXPECT_EQ("Vx音乐网盘 v", CAboutDlg::NameAndVersion(""));
}

TEST(AboutDlg, ShowsTheInstalledVersionAndOpensTheHomePage) {
    ScopedDataRoot root("about");
    ASSERT_TRUE(UserId::SetVersion("VxMelodisk_2.1.0.8"));
    CAboutProbe about;
    EXPECT_EQ(IDOK, about.DoModal(nullptr));
    EXPECT_EQ("Vx音乐网盘 v2.1.0.8", about.name);
    EXPECT_EQ(CAboutDlg::kHomePage, about.link);
    EXPECT_EQ(std::vector<std::string>{CAboutDlg::kHomePage}, about.opened);
}
