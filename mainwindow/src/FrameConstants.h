#pragma once
// Messages, timers and texts of the main frame that other windows of the program and the tests
// rely on. Portable: no windows.h.

namespace frame {

// Window classes (the tests and a second start find the windows by them).
const wchar_t kFrameClass[] = L"VxMelodiskMainFrame";
const wchar_t kSplitterClass[] = L"VxMd_SplitterWindowEx";
const wchar_t kContainerClass[] = L"CVxMdContainer";

// Messages sent to the frame.
const unsigned kMsgTrayCallback = 2357;
const unsigned kMsgOpenTreePath = 2031;     // wParam: const std::vector<uint32_t>* of list ids
const unsigned kMsgSearchSummary = 2032;    // lParam: SearchSummary*; the frame fills it, returns 1
const unsigned kMsgViewChanged = 2033;      // wParam old view, lParam new view

// What the container asks for when it enters a search view, and what the frame answers.
struct SearchSummary {
    int view;          // 4, 5 or 6
    bool enteredAnew;  // it was not the view before
    int songs;         // out: the song rows
    int videos;        // out: the videos of the stored video answer
};

// Timers of the frame.
const unsigned kTimerTrayClick = 2358;
const unsigned kTimerForwarded = 2359;
const unsigned kTimerSendInfo = 2360;
const unsigned kTimerFolderAction = 2361;
const unsigned kTimerUpdateMelodisk = 2362;
const unsigned kTimerNetworkWatch = 2363;
const unsigned kTimerUpdatePlaydeck = 2364;

const unsigned kForwardedDelayMs = 500;
const unsigned kSendInfoDelayMs = 3000;
const unsigned kUpdateMelodiskDelayMs = 5000;
const unsigned kUpdatePlaydeckDelayMs = 20000;
const unsigned kNetworkWatchPeriodMs = 500;

// WM_COPYDATA from a second start.
const unsigned long kCopyDataForwardId = 0x3439;
const char kShowIt[] = "ShowIt";
const unsigned kForwardTimeoutMs = 8000;
const wchar_t kInstanceMutex[] = L"Global\\VixoMelodiskMainProcMutex_20110427";

// Layout.
const int kMinTrackWidth = 952;
const int kMinTrackHeight = 722;
const int kSplitterLeftPane = 206;
const int kSplitterBar = 3;
const int kToolbarBandWidth = 200;
const int kSearchBandWidth = 450;

// Navigation origins of an opening.
enum Origin {
    kOriginDefault = 0,
    kOriginHistory = 1,
    kOriginUp = 2,
    kOriginTree = 3,
    kOriginUserAction = 4,
    kOriginTreeBuilt = 5,
    kOriginCommand = 6,
    kOriginRefresh = 7,
};

// Container views; kViewNone before the first one is shown.
enum View {
    kViewIndexPage = 0,
    kViewList = 1,
    kViewWeb = 2,
    kViewArtistWeb = 3,
    kViewSearchAll = 4,
    kViewSearchMusic = 5,
    kViewSearchVideo = 6,
    kViewList2 = 7,
    kViewSearchOnlyVideo = 8,
    kViewNone = 9,
};

// Pages of the web area.
enum Page {
    kPageLoading = 0,
    kPageError404 = 1,
    kPageErrorFail = 2,
    kPageAlbum = 3,
    kPageSearchPreview = 4,
    kPageNoResult = 5,
};

// Texts.
const char kTreeLoading[] = "正在加载...";
const char kTreeLoadFailed[] = "加载失败";
const char kLoadComplete[] = "加载完成";
const char kStatusObjects[] = " %d 个对象";
const char kStatusSelected[] = "选中 %d 个对象";
const char kStatusFound[] = "共找到 %d 首歌曲";
const char kStatusFoundVideos[] = "共找到 %d 个视频";
const char kVideosOnlyFound[] = "共找到 %s 个视频";  // with the answer's count text
const char kSeeMore[] = "查看更多>>";
// The result preview page of view 4 shows this many videos; more get a "see more" link.
const int kPreviewVideos = 4;
const char kBreadcrumbPrefix[] = "您当前所在位置：";

// Configuration.
const char kRectSection[] = "MainWindowRect";
const char kTraySection[] = "config";
const char kTrayKey[] = "usetrayicon";

}  // namespace frame
