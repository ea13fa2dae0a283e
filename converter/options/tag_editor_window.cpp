#include "converter/options/tag_editor_window.h"

#include "converter/common/lang_loader.h"
#include "converter/common/message_lines.h"
#include "converter/options/option_windows.h"
#include "platform/files/regular_file.h"
#include "platform/shell/services.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileSystemModel>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace tavrel {

using quandor::audio::AudioTagInfo;

namespace {

/// The language line telling that a failed save may have damaged the file.
constexpr int kDamagedFileLine = 80;

QLineEdit* textBox(const QString& name)
{
    auto* box = new QLineEdit;
    box->setObjectName(name);
    return box;
}

/// The whole-number value of a field, or nothing when the text is not one.
std::optional<long> wholeNumber(const QString& text)
{
    bool ok = false;
    const long value = text.trimmed().toLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace

TagEditorial::TagEditorial(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TagEditorial"));
    setWindowTitle(QStringLiteral("Tag Editor"));
    setModal(true);

    buildExplorer();
    QFormLayout* form = buildFieldForm();
    buildTagVersionChoice();
    buildSaveButton();
    layOut(form);
}

void TagEditorial::buildExplorer()
{
    // The file browser: folders and the audio files the tag object reads.
    explorerModel = new QFileSystemModel(this);
    explorerModel->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
    explorerModel->setNameFilters({"*.mp3", "*.ogg", "*.wma", "*.m4a", "*.mp4", "*.wav", "*.ape", "*.aac"});
    explorerModel->setNameFilterDisables(false);
    explorerModel->setRootPath(QDir::rootPath());
    Explorer1 = new QTreeView;
    Explorer1->setObjectName(QStringLiteral("Explorer1"));
    Explorer1->setModel(explorerModel);
    Explorer1->setCurrentIndex(explorerModel->index(QDir::homePath()));
    for (int column = 1; column < explorerModel->columnCount(); ++column)
        Explorer1->hideColumn(column);
    explorerHeading = new QLabel;
    connect(Explorer1, &QTreeView::activated, this, [this](const QModelIndex& index) {
        if (!explorerModel->isDir(index))
            LoadTagFields(explorerModel->filePath(index));
    });
    connect(Explorer1, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        if (!explorerModel->isDir(index))
            LoadTagFields(explorerModel->filePath(index));
    });
}

QFormLayout* TagEditorial::buildFieldForm()
{
    infoTitle = textBox(QStringLiteral("infoTitle"));
    infoArtist = textBox(QStringLiteral("infoArtist"));
    infoAlbum = textBox(QStringLiteral("infoAlbum"));
    infoGenre = new QComboBox;
    infoGenre->setObjectName(QStringLiteral("infoGenre"));
    infoGenreS = textBox(QStringLiteral("infoGenreS"));
    infoCopyright = textBox(QStringLiteral("infoCopyright"));
    infoYear = textBox(QStringLiteral("infoYear"));
    infoYear->setMaxLength(4);
    infoTrack = textBox(QStringLiteral("infoTrack"));
    infoComment = textBox(QStringLiteral("infoComment"));
    infoComposer = textBox(QStringLiteral("infoComposer"));
    infoURL = textBox(QStringLiteral("infoURL"));
    infoEncodedBy = textBox(QStringLiteral("infoEncodedBy"));
    infoOriginalArtist = textBox(QStringLiteral("infoOriginalArtist"));

    const struct {
        const char* label;
        const char* caption;
        QWidget* box;
    } fields[] = {{"Label8", "Title:", infoTitle},
                  {"Label3", "Artists:", infoArtist},
                  {"Label5", "Album:", infoAlbum},
                  {"Label11", "Genre:", infoGenre},
                  {"Label21", "Genre (String):", infoGenreS},
                  {"Label1", "Copyright:", infoCopyright},
                  {"Label18", "Year:", infoYear},
                  {"Label20", "Track:", infoTrack},
                  {"Label17", "Comment:", infoComment},
                  {"Label15", "Composer:", infoComposer},
                  {"Label16", "URL:", infoURL},
                  {"Label19", "Encoded By:", infoEncodedBy},
                  {"Label22", "OriginalArtist:", infoOriginalArtist}};

    Frame2 = new QGroupBox(QStringLiteral("Audio Information"));
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* form = new QFormLayout;
    for (const auto& field : fields) {
        auto* label = new QLabel(QString::fromLatin1(field.caption));
        label->setObjectName(QString::fromLatin1(field.label));
        fieldLabels.append(label);
        form->addRow(label, field.box);
    }
    return form;
}

void TagEditorial::buildTagVersionChoice()
{
    // The tag format is left to the tag object; the choice is shown only.
    Frame1 = new QGroupBox(QStringLiteral("Tag Version"));
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* versions = new QHBoxLayout(Frame1);
    for (const char* caption : {"ID3v1", "ID3v2"}) {
        auto* option = new QRadioButton(QString::fromLatin1(caption));
        option->setObjectName(QStringLiteral("Option1"));
        Option1.append(option);
        versions->addWidget(option);
    }
    Option1[0]->setChecked(true);
}

void TagEditorial::buildSaveButton()
{
    Command1 = new QPushButton(QStringLiteral("Save"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setEnabled(false);
    connect(Command1, &QPushButton::clicked, this, &TagEditorial::Command1_Click);
}

void TagEditorial::layOut(QFormLayout* form)
{
    auto* frameLayout = new QVBoxLayout(Frame2);
    frameLayout->addLayout(form);
    frameLayout->addWidget(Frame1);
    frameLayout->addWidget(Command1, 0, Qt::AlignRight);

    auto* left = new QVBoxLayout;
    left->addWidget(explorerHeading);
    left->addWidget(Explorer1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addWidget(Frame2, 1);
    resize(900, 560);
}

TagEditorial::~TagEditorial() = default;

void TagEditorial::Form_Load()
{
    explorerHeading->setText(Lang_Loader::Caption(26, QString()));
    Explorer1->setToolTip(Lang_Loader::Caption(27, QString()));
    Frame2->setTitle(Lang_Loader::Caption(28, Frame2->title()));
    Frame1->setTitle(Lang_Loader::Caption(29, Frame1->title()));
    for (int i = 0; i < fieldLabels.size(); ++i)
        fieldLabels[i]->setText(Lang_Loader::Caption(30 + i, fieldLabels[i]->text()));
    Command1->setText(Lang_Loader::Caption(43, Command1->text()));

    AudioInformation = std::make_unique<AudioTagInfo>();
    infoGenre->clear();
    for (int genre = 0; genre < AudioTagInfo::GenreCount; ++genre)
        infoGenre->addItem(AudioTagInfo::GenreName(genre));
}

QList<QLineEdit*> TagEditorial::textBoxes() const
{
    return {infoTitle, infoArtist,  infoAlbum,    infoGenreS, infoCopyright, infoYear,
            infoTrack, infoComment, infoComposer, infoURL,    infoEncodedBy, infoOriginalArtist};
}

void TagEditorial::LoadTagFields(const QString& path)
{
    if (!AudioInformation)
        Form_Load();
    currentFile_ = path;
    AudioTagInfo& tags = *AudioInformation;
    // The tag reader would wait in open() on a FIFO in the browsed folder for good.
    if (!quandor::files::isRegularFile(path) || !tags.LoadTags(path)) {
        for (QLineEdit* box : textBoxes())
            box->clear();
        Command1->setEnabled(false);
        return;
    }
    infoTitle->setText(tags.Title);
    infoArtist->setText(tags.Artist);
    infoAlbum->setText(tags.Album);
    // A genre outside the list selects none; the other fields still load.
    infoGenre->setCurrentIndex(tags.Genre >= 0 && tags.Genre < infoGenre->count() ? tags.Genre : -1);
    infoGenreS->setText(tags.GenreText);
    infoCopyright->setText(tags.Copyright);
    infoComment->setText(tags.Comment);
    infoYear->setText(QString::number(tags.Year));
    infoTrack->setText(QString::number(tags.Track));
    infoComposer->setText(tags.Composer);
    infoURL->setText(tags.URL);
    infoEncodedBy->setText(tags.EncodedBy);
    infoOriginalArtist->setText(tags.OriginalArtist);
    Command1->setEnabled(true);
}

void TagEditorial::refuse(const QString& text)
{
    quandor::shell::messageBox(this, localizedMessage(text), windowTitle(), quandor::shell::MessageButtons::Ok,
                               quandor::shell::MessageIcon::Warning);
}

bool TagEditorial::SaveTagFields()
{
    if (!AudioInformation || currentFile_.isEmpty())
        return false;
    // The number fields are checked first, so a refused input leaves the
    // tag object and the file as they were.
    if (infoYear->text().isEmpty() || infoYear->text() == QLatin1String("0"))
        infoYear->setText(QString::number(QDate::currentDate().year()));
    if (infoTrack->text().isEmpty() || infoTrack->text() == QLatin1String("0"))
        infoTrack->setText(QStringLiteral("1"));
    const auto year = wholeNumber(infoYear->text());
    if (!year || *year < 0) {
        refuse(QStringLiteral("The year must be a whole number."));
        return false;
    }
    const auto track = wholeNumber(infoTrack->text());
    if (!track || *track < 0 || *track > 32767) {
        refuse(QStringLiteral("The track must be a whole number."));
        return false;
    }

    AudioTagInfo& tags = *AudioInformation;
    tags.Title = infoTitle->text();
    tags.Artist = infoArtist->text();
    tags.Album = infoAlbum->text();
    tags.Genre = infoGenre->currentIndex();
    tags.Copyright = infoCopyright->text();
    tags.Comment = infoComment->text();
    tags.Year = *year;
    tags.Track = static_cast<int>(*track);
    tags.URL = infoURL->text();
    tags.Composer = infoComposer->text();
    tags.EncodedBy = infoEncodedBy->text();
    tags.GenreText = infoGenreS->text();
    tags.OriginalArtist = infoOriginalArtist->text();
    if (!tags.SaveTags(currentFile_)) {
        const QString reason = tags.LastError();
        QString text = QStringLiteral("The tags could not be saved in ") + QDir::toNativeSeparators(currentFile_)
            + (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason);
        if (!tags.LastKeptCopy().isEmpty()) {
            text += QStringLiteral("\n\n")
                + Lang_Loader::Caption(kDamagedFileLine,
                                       QStringLiteral("The file may be damaged. Its former "
                                                      "contents are kept in this file:"))
                + QLatin1Char('\n') + QDir::toNativeSeparators(tags.LastKeptCopy());
        }
        refuse(text);
        return false;
    }
    return true;
}

void TagEditorial::Command1_Click()
{
    SaveTagFields();
}

void TagEditorial::done(int result)
{
    AudioInformation.reset();
    QDialog::done(result);
}

void showTagEditor()
{
    // Shown with no owner window, as a top-level window of its own.
    TagEditorial window;
    window.Form_Load();
    window.exec();
}

} // namespace tavrel
