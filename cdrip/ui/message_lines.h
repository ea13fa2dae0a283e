#pragma once
// Brenlow's own messages, added after the 152 original lines of the language
// files: each names its line and the English text shown when a language file
// lacks that line or leaves it empty (LanguageTable::text).

#include "cdrip/scsi/drive_scan.h"
#include "cdrip/ui/language_table.h"

namespace brenlow {

struct MessageLine {
    int line;
    const char* english;

    QString in(const LanguageTable& language) const { return language.text(line, QString::fromUtf8(english)); }
};

namespace message_lines {

// 153 to 157: rows of the burn log, kept beside the burn job (burn_job.cpp).
inline constexpr MessageLine RefusedCddbAnswer{158, "The CDDB server's answer could not be used. Nothing was changed."};
inline constexpr MessageLine EraseRefused{159, "The drive refused to erase the disc (%1)."};
inline constexpr MessageLine EraseFailed{160, "The drive reported an error while erasing (%1)."};
inline constexpr MessageLine EraseTimedOut{161, "The drive did not finish erasing in time."};
inline constexpr MessageLine EraseNotRewritable{
    162, "This disc is not rewritable and cannot be erased. Put a CD-RW in the drive. (%1)"};
inline constexpr MessageLine EraseNoDisc{163, "There is no disc in the drive. Put a CD-RW in it and try again. (%1)"};
inline constexpr MessageLine EraseCannotWrite{
    164, "This drive cannot write, so it cannot erase a disc. Choose a CD writer. (%1)"};
inline constexpr MessageLine EraseStillBusy{
    165, "The drive is still busy erasing. Wait until it has finished, then try again. (%1)"};
// The messages naming a file put its path on the next line.
inline constexpr MessageLine FileNotCreated{166, "The file cannot be created:"};
inline constexpr MessageLine FileNotWritten{167, "Writing the file failed (is the disk full?):"};
inline constexpr MessageLine FolderNotCreated{168, "The folder cannot be created:"};
inline constexpr MessageLine TagNotWritten{169, "The tag could not be written to"};
inline constexpr MessageLine OggEncoderRefused{170, "The Ogg Vorbis encoder cannot start with these settings."};
inline constexpr MessageLine NoDriveSelected{171, "No drive is selected."};
inline constexpr MessageLine ImageReadFailed{172, "The disc cannot be read at sector %1 (%2). The image was not kept."};
inline constexpr MessageLine ImageStopping{173, "Stopping: waiting for the drive to answer..."};
inline constexpr MessageLine SettingsNotSaved{174, "The settings could not be saved to %1."};
inline constexpr MessageLine ImageDataTrack{178, "This disc holds a data track: only audio discs can be imaged."};
inline constexpr MessageLine DriveAccess{175, kDriveAccessEnglish};
inline constexpr MessageLine FileNotReadable{176, "This file cannot be read:"};
inline constexpr MessageLine FolderNotReadable{177, "This folder cannot be read:"};

} // namespace message_lines

/// `message` followed by `path` on its own line.
inline QString withPath(const MessageLine& message, const LanguageTable& language, const QString& path)
{
    return message.in(language) + QLatin1Char('\n') + path;
}

/// The message, the file on a line of its own, then the system's reason
/// (which the writers give as "path: reason"; the path is not said twice).
inline QString withPathAndReason(const MessageLine& message, const LanguageTable& language, const QString& path,
                                 QString reason)
{
    const QString prefix = path + QStringLiteral(": ");
    if (!path.isEmpty() && reason.startsWith(prefix))
        reason.remove(0, prefix.size());
    QString text = withPath(message, language, path);
    if (!reason.isEmpty())
        text += QLatin1Char('\n') + reason;
    return text;
}

} // namespace brenlow
