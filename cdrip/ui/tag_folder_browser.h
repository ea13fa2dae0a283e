#pragma once
// The folder browser of the tag editor: a tree rooted at "My Computer" whose
// first level is the local mounted file systems (and the home folder), built
// one level at a time as nodes are selected, and a list of the selected
// folder's contents: its sub-folders first, then its files ending in ".mp3"
// in any case.

#include <QObject>
#include <QString>
#include <QStringList>

class QListWidget;
class QListWidgetItem;
class QTreeWidget;
class QTreeWidgetItem;
class QLineEdit;

namespace brenlow {

class TagFolderBrowser : public QObject {
    Q_OBJECT
public:
    /// Kinds of list entries (their icons).
    enum Image { FolderImage = 0, OpenFolderImage = 1, DriveImage = 2, ComputerImage = 3, Mp3Image = 4 };

    /// Works on `tree` (1047), `list` (1036) and the path edit `pathEdit` (1056).
    /// `roots` are the first-level folders; empty = the machine's local file systems.
    TagFolderBrowser(QTreeWidget& tree, QListWidget& list, QLineEdit& pathEdit, QStringList roots = {},
                     QObject* parent = nullptr);

    /// Adds the root node and selects it, which lists the roots.
    void start();
    /// The full path of a list entry; empty for none.
    QString pathOf(const QListWidgetItem* entry) const;
    bool isFolderEntry(const QListWidgetItem* entry) const;
    /// Selects the child of the selected node named `name` (double click on a folder).
    void openListEntry(const QString& name);

    /// The local file systems: mount points of real devices, and the home folder.
    static QStringList localRoots();

signals:
    /// The folder selected cannot be listed; `reason` is the system's.
    void folderUnreadable(const QString& folder, const QString& reason);

private:
    void onTreeSelectionChanged();
    void listRoots(QTreeWidgetItem* root);
    void listFolder(const QString& folder, QTreeWidgetItem* node);

    QTreeWidget& tree_;
    QListWidget& list_;
    QLineEdit& pathEdit_;
    QStringList roots_;
    QString currentFolder_;
};

} // namespace brenlow
