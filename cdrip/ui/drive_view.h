#pragma once
// What the drive controller shows and asks of the window around it: the
// drive list, the track list and the disc fields, the status bar, the
// language lines, and the window's own steps after a scan or a read.

class QComboBox;
class QDialog;
class QLineEdit;
class QString;
class QTreeWidget;

namespace brenlow {

class LanguageTable;

class DriveView {
public:
    virtual QComboBox* driveCombo() const = 0;  ///< 1054
    virtual QTreeWidget* trackList() const = 0; ///< the five-column track list
    virtual QLineEdit* artistField() const = 0; ///< 1016
    virtual QLineEdit* albumField() const = 0;  ///< 1017
    virtual QLineEdit* yearField() const = 0;   ///< 1022
    /// Status bar parts: 1 track count or player state, 2 disc length.
    virtual void setStatusText(int part, const QString& text) = 0;
    virtual QString text(int line) const = 0;
    virtual const LanguageTable& language() const = 0;
    /// Where request.txt, the last CDDB reply, is kept.
    virtual const QString& startFolder() const = 0;
    virtual int runSecondaryDialog(QDialog& dialog) = 0;
    /// The SCSI layer cannot be used: its short text, its controls off.
    virtual void setAspiStatusText(const QString& text) = 0;
    virtual void disableAspiControls() = 0;
    /// The drive scan has reported: read the first disc.
    virtual void readFirstDisc() = 0;
    /// A table of contents was read and shown (the cache lookup follows).
    virtual void tableOfContentsShown() = 0;

protected:
    ~DriveView() = default;
};

} // namespace brenlow
