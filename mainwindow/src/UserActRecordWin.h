#pragma once
#include <string>

#include "ActionInterfaces.h"

// Writes the user-action records of a hand-off, one per song, through the log library, with this
// installation's user id. Records follow the hand-off whether or not it succeeded. UI thread.
namespace UserActRecord {

std::string CurrentUserId();
void WritePlayMusic(const SongVector& songs, bool watch);
// Songs without the resource the quality picks get no record.
void WriteDownMusic(const SongVector& songs, int quality);

}  // namespace UserActRecord
