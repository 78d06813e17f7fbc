#pragma once
#include <string>

class CSongListBase;

// Rules of the main frame that need no window: which tree items get an expand button and how deep
// children are inserted, the default tree images, the pages of page lists, and which songs of an
// answer an album list keeps.
namespace frameRules {

// The catalogue's list type; -1 for a missing list or one that is not the catalogue's.
int ListType(const CSongListBase* list);
// Video programme lists (types 10 to 13) and games (15): their songs are played as videos.
bool IsVideoList(int listType);

const int kTreeImageWidth = 21;
const int kTreeSpareImages = 18;

// Lists of these types show an expand button before their children are inserted.
bool HasExpandButton(int listType);
// The depth to insert a child's own children with, given the depth its parent was inserted with
// (-1 unlimited, 0 none).
int ChildDepth(int listType, bool defaultShow, int depth);
// Image of a list without an icon of its own.
int DefaultTreeImage(int listType, const std::string& showName);

// Lists shown as a page rather than as songs (types 0, 1, 7, 9, 14).
bool IsPageList(int listType);
// "folder", "index", ...; empty for types without a page.
std::string PageName(int listType);

// An album of an artist (type 5 under type 2) keeps only songs of that album (ignoring case)
// whose artist contains the singer text (ignoring case); other lists keep every song.
bool KeepAlbumSong(int listType, int parentType, const std::string& albumName, const std::string& singer,
                   const std::string& songAlbum, const std::string& songArtist);

}  // namespace frameRules
