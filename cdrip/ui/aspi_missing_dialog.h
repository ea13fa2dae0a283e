#pragma once
// Dialog 188, shown when the SCSI layer cannot be used: where to get it (link
// 1072), running its installer from the current folder (link 1073), Close (2).

#include <QDialog>

namespace brenlow {

class AspiMissingDialog : public QDialog {
    Q_OBJECT
public:
    explicit AspiMissingDialog(QWidget* parent = nullptr);

    void openDownloadPage();
    void runInstaller();
};

} // namespace brenlow
