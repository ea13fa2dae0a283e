#include "cdrip/ui/button_icons.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace brenlow {
namespace {

struct IconEntry {
    int resource;
    QStyle::StandardPixmap picture;
};

// The desktop style's own pictures stand for the program's icons.
constexpr IconEntry kIcons[] = {
    {117, QStyle::SP_DirOpenIcon},        // browse
    {123, QStyle::SP_DriveCDIcon},        // rip to WAV
    {124, QStyle::SP_BrowserReload},      // read the table of contents
    {126, QStyle::SP_FileDialogInfoView}, // CDDB lookup
    {127, QStyle::SP_MediaPlay},
    {137, QStyle::SP_MediaStop},
    {141, QStyle::SP_BrowserStop}, // stop the running job
    {145, QStyle::SP_ArrowUp},     // eject
    {151, QStyle::SP_FileDialogDetailedView},
    {153, QStyle::SP_FileDialogContentsView},
    {154, QStyle::SP_MediaVolume},       // rip to MP3
    {158, QStyle::SP_DialogResetButton}, // clear the view
    {171, QStyle::SP_DialogYesButton},   // select all
    {172, QStyle::SP_DialogNoButton},    // unselect all
    {179, QStyle::SP_MediaPause},
    {180, QStyle::SP_MediaSkipForward},
    {181, QStyle::SP_MediaSkipBackward},
    {198, QStyle::SP_DirIcon},            // open the output folder
    {207, QStyle::SP_MediaVolumeMuted},   // rip to Ogg Vorbis
    {218, QStyle::SP_DialogYesButton},    // the disc is of this type
    {219, QStyle::SP_DialogNoButton},     // the disc is not of this type
    {223, QStyle::SP_DialogApplyButton},  // can write
    {224, QStyle::SP_MessageBoxCritical}, // error, cannot write
    {226, QStyle::SP_DialogOkButton},     // step done
    {227, QStyle::SP_BrowserStop},        // job stopped
    {228, QStyle::SP_DriveCDIcon},        // disc decoration
};

} // namespace

QIcon resourceIcon(int resource)
{
    for (const IconEntry& entry : kIcons) {
        if (entry.resource == resource)
            return QApplication::style()->standardIcon(entry.picture);
    }
    return {};
}

} // namespace brenlow
