#pragma once
// TagEditorial: a file browser on the left, the tag fields of the chosen file
// on the right; "Save" writes the fields back into that file.

#include "platform/audio/audio_tag_info.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QFileSystemModel;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeView;

namespace tavrel {

class TagEditorial : public QDialog {
    Q_OBJECT

public:
    explicit TagEditorial(QWidget* parent = nullptr);
    ~TagEditorial() override;

    /// Captions from the language table, a fresh tag object, the genre list.
    void Form_Load();
    /// Reads the tags of `path` into the fields; on failure empties them and
    /// disables "Save" (silently).
    void LoadTagFields(const QString& path);
    /// Writes the fields into the current file. False when a number field is
    /// not a number or the file could not be written (the user was told).
    bool SaveTagFields();
    void Command1_Click();

    QString currentFile() const { return currentFile_; }

    std::unique_ptr<quandor::audio::AudioTagInfo> AudioInformation;

    QTreeView* Explorer1 = nullptr;
    QFileSystemModel* explorerModel = nullptr;
    QLabel* explorerHeading = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QList<QRadioButton*> Option1;
    QPushButton* Command1 = nullptr;

    QLineEdit* infoTitle = nullptr;
    QLineEdit* infoArtist = nullptr;
    QLineEdit* infoAlbum = nullptr;
    QComboBox* infoGenre = nullptr;
    QLineEdit* infoGenreS = nullptr;
    QLineEdit* infoCopyright = nullptr;
    QLineEdit* infoYear = nullptr;
    QLineEdit* infoTrack = nullptr;
    QLineEdit* infoComment = nullptr;
    QLineEdit* infoComposer = nullptr;
    QLineEdit* infoURL = nullptr;
    QLineEdit* infoEncodedBy = nullptr;
    QLineEdit* infoOriginalArtist = nullptr;

    /// The label of each field, in the order of language lines 30..42.
    QList<QLabel*> fieldLabels;

protected:
    void done(int result) override;

private:
    void buildExplorer();          ///< the file browser on the left
    QFormLayout* buildFieldForm(); ///< the tag fields with their labels
    void buildTagVersionChoice();
    void buildSaveButton();
    void layOut(QFormLayout* form);
    QList<QLineEdit*> textBoxes() const;
    void refuse(const QString& text);

    QString currentFile_;
};

} // namespace tavrel
