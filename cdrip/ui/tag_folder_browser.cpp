#include "cdrip/ui/tag_folder_browser.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>
#include <QTreeWidget>

#include <dirent.h>

#include <cerrno>
#include <cstring>

namespace brenlow {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kFolderRole = Qt::UserRole + 1;
const QString kMyComputer = QStringLiteral("My Computer");

QIcon iconFor(TagFolderBrowser::Image image)
{
    QStyle* style = QApplication::style();
    switch (image) {
    case TagFolderBrowser::FolderImage:
        return style->standardIcon(QStyle::SP_DirIcon);
    case TagFolderBrowser::OpenFolderImage:
        return style->standardIcon(QStyle::SP_DirOpenIcon);
    case TagFolderBrowser::DriveImage:
        return style->standardIcon(QStyle::SP_DriveHDIcon);
    case TagFolderBrowser::ComputerImage:
        return style->standardIcon(QStyle::SP_ComputerIcon);
    case TagFolderBrowser::Mp3Image:
        return style->standardIcon(QStyle::SP_MediaVolume);
    }
    return {};
}

} // namespace

TagFolderBrowser::TagFolderBrowser(QTreeWidget& tree, QListWidget& list, QLineEdit& pathEdit, QStringList roots,
                                   QObject* parent)
    : QObject(parent),
      tree_(tree),
      list_(list),
      pathEdit_(pathEdit),
      roots_(std::move(roots))
{
    if (roots_.isEmpty())
        roots_ = localRoots();
    connect(&tree_, &QTreeWidget::itemSelectionChanged, this, &TagFolderBrowser::onTreeSelectionChanged);
}

QStringList TagFolderBrowser::localRoots()
{
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        // Real local devices only: no pseudo, network or removable-media mounts.
        if (volume.isValid() && volume.isReady() && volume.device().startsWith("/dev/")
            && !volume.rootPath().startsWith(QLatin1String("/media")) && !roots.contains(volume.rootPath()))
            roots << volume.rootPath();
    }
    const QString home = QDir::homePath();
    if (!roots.contains(home))
        roots << home;
    return roots;
}

void TagFolderBrowser::start()
{
    tree_.clear();
    auto* root = new QTreeWidgetItem(&tree_, {kMyComputer});
    root->setIcon(0, iconFor(ComputerImage));
    {
        const QSignalBlocker quiet(&tree_);
        tree_.setCurrentItem(root);
    }
    onTreeSelectionChanged();
}

QString TagFolderBrowser::pathOf(const QListWidgetItem* entry) const
{
    return entry ? entry->data(kPathRole).toString() : QString();
}

bool TagFolderBrowser::isFolderEntry(const QListWidgetItem* entry) const
{
    return entry && entry->data(kFolderRole).toBool();
}

void TagFolderBrowser::onTreeSelectionChanged()
{
    const QList<QTreeWidgetItem*> selected = tree_.selectedItems();
    if (selected.isEmpty())
        return;
    QTreeWidgetItem* node = selected.first();
    // Children are rebuilt on every selection, so the tree follows the disk.
    qDeleteAll(node->takeChildren());
    list_.clear();
    if (!node->parent()) {
        currentFolder_ = kMyComputer;
        pathEdit_.setText(kMyComputer);
        listRoots(node);
        return;
    }
    currentFolder_ = node->data(0, kPathRole).toString();
    pathEdit_.setText(currentFolder_);
    listFolder(currentFolder_, node);
    node->setExpanded(true);
}

void TagFolderBrowser::listRoots(QTreeWidgetItem* root)
{
    for (const QString& path : roots_) {
        auto* node = new QTreeWidgetItem(root, {path});
        node->setIcon(0, iconFor(DriveImage));
        node->setData(0, kPathRole, path);
        auto* entry = new QListWidgetItem(iconFor(DriveImage), path, &list_);
        entry->setData(kPathRole, path);
        entry->setData(kFolderRole, true);
    }
    root->setExpanded(true);
}

void TagFolderBrowser::listFolder(const QString& folder, QTreeWidgetItem* node)
{
    // QDir lists an unreadable folder as an empty one: ask the system first.
    DIR* opened = ::opendir(QFile::encodeName(folder).constData());
    if (!opened) {
        emit folderUnreadable(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    ::closedir(opened);
    const QDir dir(folder);
    const auto folders = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QFileInfo& info : folders) {
        auto* child = new QTreeWidgetItem(node, {info.fileName()});
        child->setIcon(0, iconFor(FolderImage));
        child->setData(0, kPathRole, info.filePath());
        auto* entry = new QListWidgetItem(iconFor(FolderImage), info.fileName(), &list_);
        entry->setData(kPathRole, info.filePath());
        entry->setData(kFolderRole, true);
    }
    const auto files = dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo& info : files) {
        if (!info.fileName().endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive))
            continue;
        auto* entry = new QListWidgetItem(iconFor(Mp3Image), info.fileName(), &list_);
        entry->setData(kPathRole, info.filePath());
        entry->setData(kFolderRole, false);
    }
}

void TagFolderBrowser::openListEntry(const QString& name)
{
    const QList<QTreeWidgetItem*> selected = tree_.selectedItems();
    if (selected.isEmpty())
        return;
    QTreeWidgetItem* node = selected.first();
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem* child = node->child(i);
        if (child->text(0) == name) {
            tree_.setCurrentItem(child);
            return;
        }
    }
}

} // namespace brenlow
