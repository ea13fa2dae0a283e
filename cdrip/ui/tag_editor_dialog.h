#pragma once
// "Brenlow - Mp3 Tag Editor" (dialog 159): browse the local folders, pick an
// MP3 file, edit its ID3v1 title, artist, album, year, comment and genre, and
// write them back with Apply.

#include "cdrip/encode/id3v1_tag.h"
#include "cdrip/ui/message_lines.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTreeWidget;

namespace brenlow {

class TagFolderBrowser;

class TagEditorDialog : public QDialog {
    Q_OBJECT
public:
    /// `roots`: the browser's first-level folders (empty = local file systems).
    explicit TagEditorDialog(const LanguageTable& language, const QStringList& roots = {}, QWidget* parent = nullptr);

    TagFolderBrowser& browser() { return *browser_; }

    /// A click on a list entry: shows the tag of an MP3 file.
    void showEntry(QListWidgetItem* entry);
    /// Apply (1057): writes the fields into the file shown.
    void apply();

private:
    void clearFields();
    void setFieldsEnabled(bool on);
    QLineEdit* addEdit(int id, int maxLength);
    /// Says that `path` cannot be read, and why.
    void reportUnreadable(const MessageLine& message, const QString& path, const QString& reason);

    const LanguageTable& language_;

    TagFolderBrowser* browser_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QListWidget* list_ = nullptr;
    QLineEdit* pathEdit_ = nullptr; ///< 1056
    QLabel* fileName_ = nullptr;    ///< 1059
    QLineEdit* filePath_ = nullptr; ///< 1058
    QLineEdit* title_ = nullptr;    ///< 1049
    QLineEdit* artist_ = nullptr;   ///< 1051
    QLineEdit* album_ = nullptr;    ///< 1052
    QLineEdit* year_ = nullptr;     ///< 1053
    QComboBox* genre_ = nullptr;    ///< 1055
    QLineEdit* comment_ = nullptr;  ///< 1054
    QPushButton* apply_ = nullptr;  ///< 1057
    int keptTrack_ = 0;             ///< the track number of the tag shown
};

} // namespace brenlow
