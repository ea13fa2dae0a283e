#include "cdrip/ui/aspi_missing_dialog.h"

#include "cdrip/ui/control_ids.h"
#include "cdrip/ui/design_scale.h"
#include "cdrip/ui/link_label.h"
#include "cdrip/ui/maker_links.h"
#include "platform/shell/services.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace brenlow {
namespace {

constexpr int kLinkHeight = 20;

} // namespace

AspiMissingDialog::AspiMissingDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("188"));
    setWindowTitle(QStringLiteral("Brenlow"));
    auto* picture = new QLabel(this);
    picture->setPixmap(style()->standardIcon(QStyle::SP_DriveCDIcon).pixmap(48, 48));
    auto* download = new LinkLabel(this);
    download->setObjectName(QString::number(aspi_missing_ids::DownloadLink));
    download->setText(QStringLiteral("Get the ASPI layer"));
    auto* installer = new LinkLabel(this);
    installer->setObjectName(QString::number(aspi_missing_ids::InstallerLink));
    installer->setText(QStringLiteral("Install the ASPI layer (aspi32.exe)"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QString::number(aspi_missing_ids::Close));

    connect(download, &LinkLabel::clicked, this, &AspiMissingDialog::openDownloadPage);
    connect(installer, &LinkLabel::clicked, this, &AspiMissingDialog::runInstaller);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture, 0, Qt::AlignHCenter);
    layout->addWidget(download);
    layout->addWidget(installer);
    layout->addWidget(close, 0, Qt::AlignRight);
    // A link's font is three quarters of the link's height: the layout would
    // only settle that height after the font, so the links get it first.
    for (LinkLabel* link : {download, installer}) {
        link->setFixedHeight(scaledPixels(*link, kLinkHeight));
        makeLinkControl(*link);
    }
}

void AspiMissingDialog::openDownloadPage()
{
    quandor::shell::services().openUrl(aspiDownloadPage());
}

void AspiMissingDialog::runInstaller()
{
    quandor::shell::services().openUrl(QDir::current().filePath(QStringLiteral("aspi32.exe")));
}

} // namespace brenlow
