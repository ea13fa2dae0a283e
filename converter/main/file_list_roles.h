#pragma once
// What an entry's item in the main window's file list holds, besides its
// texts: read by the list and by the delegate that draws the row bars.

#include <Qt>

namespace tavrel {

/// Data roles of an entry's item.
enum FileListRole {
    EntryKeyRole = Qt::UserRole + 1,     ///< column 0: the source's full path
    RowProgressRole = Qt::UserRole + 2,  ///< column 3: the bar's value, 0..100
    RowBarLoadedRole = Qt::UserRole + 3, ///< column 3: the row has a bar
};

/// The column that holds each row's progress bar.
constexpr int RowProgressColumn = 3;

} // namespace tavrel
