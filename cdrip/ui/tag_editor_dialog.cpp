#include "cdrip/ui/tag_editor_dialog.h"

#include "cdrip/encode/genre_names.h"
#include "cdrip/ui/control_ids.h"
#include "cdrip/ui/message_lines.h"
#include "cdrip/ui/tag_folder_browser.h"
#include "platform/files/regular_file.h"
#include "platform/shell/services.h"

#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace brenlow {
namespace {

QStringList sortedGenreNames()
{
    QStringList names;
    for (const char* name : GenreNames)
        names << QLatin1String(name);
    std::stable_sort(names.begin(), names.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names;
}

} // namespace

TagEditorDialog::TagEditorDialog(const LanguageTable& language, const QStringList& roots, QWidget* parent)
    : QDialog(parent),
      language_(language)
{
    setObjectName(QStringLiteral("159"));
    setWindowTitle(QStringLiteral("Brenlow - Mp3 Tag Editor"));
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QString::number(tag_editor_ids::Folders));
    tree_->setHeaderHidden(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_ = new QListWidget(this);
    list_->setObjectName(QString::number(tag_editor_ids::Files));
    pathEdit_ = new QLineEdit(this);
    pathEdit_->setObjectName(QString::number(tag_editor_ids::FolderPath));
    pathEdit_->setReadOnly(true);
    fileName_ = new QLabel(this);
    fileName_->setObjectName(QString::number(tag_editor_ids::FileName));
    filePath_ = new QLineEdit(this);
    filePath_->setObjectName(QString::number(tag_editor_ids::FilePath));
    filePath_->setReadOnly(true);

    auto* group = new QGroupBox(QStringLiteral("Information's TAG (V1) :"), this);
    auto* form = new QFormLayout(group);
    title_ = addEdit(tag_editor_ids::Title, 30);
    artist_ = addEdit(tag_editor_ids::Artist, 30);
    album_ = addEdit(tag_editor_ids::Album, 30);
    year_ = addEdit(tag_editor_ids::Year, 4);
    comment_ = addEdit(tag_editor_ids::Comment, 30);
    genre_ = new QComboBox(this);
    genre_->setObjectName(QString::number(tag_editor_ids::Genre));
    genre_->addItem(QString());
    genre_->addItems(sortedGenreNames());
    genre_->setCurrentIndex(genre_->findText(QStringLiteral("Rhythmic Soul")));
    form->addRow(QStringLiteral("Title :"), title_);
    form->addRow(QStringLiteral("Artist :"), artist_);
    form->addRow(QStringLiteral("Album :"), album_);
    form->addRow(QStringLiteral("Year :"), year_);
    form->addRow(QStringLiteral("Genre :"), genre_);
    form->addRow(QStringLiteral("Comments :"), comment_);
    apply_ = new QPushButton(QStringLiteral("Apply"), this);
    apply_->setObjectName(QString::number(tag_editor_ids::Apply));
    form->addRow(apply_);

    auto* browse = new QHBoxLayout;
    browse->addWidget(tree_);
    browse->addWidget(list_);
    auto* paths = new QFormLayout;
    paths->addRow(QStringLiteral("Path :"), pathEdit_);
    paths->addRow(QStringLiteral("File :"), fileName_);
    paths->addRow(QString(), filePath_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(browse, 1);
    layout->addLayout(paths);
    layout->addWidget(group);

    setFieldsEnabled(false);
    apply_->setEnabled(false);
    browser_ = new TagFolderBrowser(*tree_, *list_, *pathEdit_, roots, this);
    connect(browser_, &TagFolderBrowser::folderUnreadable, this, [this](const QString& folder, const QString& reason) {
        reportUnreadable(message_lines::FolderNotReadable, folder, reason);
    });
    connect(list_, &QListWidget::itemClicked, this, &TagEditorDialog::showEntry);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* entry) {
        if (browser_->isFolderEntry(entry))
            browser_->openListEntry(entry->text());
    });
    connect(apply_, &QPushButton::clicked, this, &TagEditorDialog::apply);
    browser_->start();
}

QLineEdit* TagEditorDialog::addEdit(int id, int maxLength)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::number(id));
    edit->setMaxLength(maxLength);
    return edit;
}

void TagEditorDialog::setFieldsEnabled(bool on)
{
    for (QWidget* w : std::initializer_list<QWidget*>{title_, artist_, album_, year_, comment_, genre_})
        w->setEnabled(on);
}

void TagEditorDialog::clearFields()
{
    for (QLineEdit* e : {title_, album_, artist_, year_, comment_})
        e->clear();
    fileName_->clear();
    apply_->setEnabled(false);
}

void TagEditorDialog::showEntry(QListWidgetItem* entry)
{
    if (!entry || !entry->isSelected()) {
        clearFields();
        return;
    }
    if (browser_->isFolderEntry(entry))
        return;
    const QString path = browser_->pathOf(entry);
    filePath_->setText(path);
    // Anything but a regular file (a FIFO would hold the window in open()) is
    // refused like a file the user may not read. The fields of the file shown
    // before go: Apply must not write them into this one.
    std::string reason;
    if (!quandor::files::openRegularFile(path.toStdString(), &reason)) {
        clearFields();
        setFieldsEnabled(false);
        reportUnreadable(message_lines::FileNotReadable, path, QString::fromLocal8Bit(reason));
        return;
    }
    clearFields();
    apply_->setEnabled(true);
    const Id3v1Fields tag = Id3v1Tag(path).read().value_or(Id3v1Fields{});
    keptTrack_ = tag.track;
    setFieldsEnabled(true);
    fileName_->setText(entry->text());
    title_->setText(tag.title);
    artist_->setText(tag.artist);
    album_->setText(tag.album);
    year_->setText(tag.year);
    comment_->setText(tag.comment);
    const int index =
        tag.genre >= 0 && tag.genre < kGenreCount ? genre_->findText(QLatin1String(GenreNames[tag.genre])) : -1;
    genre_->setCurrentIndex(index > 0 ? index : 0);
}

void TagEditorDialog::reportUnreadable(const MessageLine& message, const QString& path, const QString& reason)
{
    QString text = withPath(message, language_, path);
    if (!reason.isEmpty())
        text += QStringLiteral("\n(") + reason + QLatin1Char(')');
    quandor::shell::messageBox(this, text, QStringLiteral("Brenlow"), quandor::shell::MessageButtons::Ok,
                               quandor::shell::MessageIcon::Warning);
}

void TagEditorDialog::apply()
{
    Id3v1Fields tag;
    tag.title = title_->text().left(30);
    tag.artist = artist_->text().left(30);
    tag.album = album_->text().left(30);
    tag.year = year_->text().left(4);
    tag.comment = comment_->text().left(30);
    tag.track = keptTrack_;
    const int genre = genreNumber(genre_->currentText());
    tag.genre = genre_->currentText().isEmpty() || genre < 0 ? kNoGenre : genre;
    const QString path = filePath_->text();
    if (!Id3v1Tag(path).write(tag)) {
        quandor::shell::messageBox(this, withPath(message_lines::TagNotWritten, language_, path),
                                   QStringLiteral("Brenlow"), quandor::shell::MessageButtons::Ok,
                                   quandor::shell::MessageIcon::Critical);
        return;
    }
    apply_->setEnabled(false);
    setFieldsEnabled(false);
}

} // namespace brenlow
