#include "converter/main/about_window.h"

#include "converter/common/lang_loader.h"
#include "converter/main/help_menu.h"
#include "converter/main/web_links.h"
#include "platform/shell/services.h"

#include <QEvent>
#include <QFont>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace tavrel {

namespace {

constexpr int VersionMajor = 1;
constexpr int VersionMinor = 0;
constexpr int VersionRevision = 0;

QLabel* label(const QString& name, const QString& text)
{
    auto* l = new QLabel(text);
    l->setObjectName(name);
    return l;
}

void message(QWidget* owner, const QString& text)
{
    quandor::shell::messageBox(owner, text, QStringLiteral("Tavrel"), quandor::shell::MessageButtons::Ok,
                               quandor::shell::MessageIcon::Information);
}

} // namespace

FrmSplash::FrmSplash(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Tavrel"));
    setModal(true);

    imgLogo = label(QStringLiteral("imgLogo"), QStringLiteral("Tavrel"));
    QFont big = imgLogo->font();
    big.setPointSize(24);
    big.setBold(true);
    imgLogo->setFont(big);
    Version = label(QStringLiteral("Version"), versionText());
    lblCompanyProduct = label(QStringLiteral("lblCompanyProduct"), QString());
    Label3 = label(QStringLiteral("Label3"), QStringLiteral("Traduction : "));
    Label5 = label(QStringLiteral("Label5"),
                   QStringLiteral("If you want to support development of this free tool, you can make a donation :"));
    Label5->setWordWrap(true);
    Label6 = label(QStringLiteral("Label6"), QStringLiteral("$"));
    Label1 = label(QStringLiteral("Label1"), links::makerEmail());
    Label2 = label(QStringLiteral("Label2"), links::site());
    Label4 = label(QStringLiteral("Label4"), QStringLiteral("Need a designer !"));
    Command1 = new QPushButton;
    Command1->setObjectName(QStringLiteral("Command1"));
    connect(Command1, &QPushButton::clicked, this, &FrmSplash::Command1_Click);
    for (QLabel* link : {Label1, Label2, Label4}) {
        link->setCursor(Qt::PointingHandCursor);
        link->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline"));
        link->installEventFilter(this);
    }
    imgLogo->installEventFilter(this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(imgLogo, 0, 0, 1, 3);
    grid->addWidget(Version, 1, 0, 1, 3);
    grid->addWidget(lblCompanyProduct, 2, 0, 1, 3);
    grid->addWidget(Label3, 3, 0, 1, 3);
    grid->addWidget(Label1, 4, 0, 1, 3);
    grid->addWidget(Label2, 5, 0, 1, 3);
    grid->addWidget(Label5, 6, 0, 1, 3);
    grid->addWidget(Label6, 7, 0);
    grid->addWidget(Command1, 7, 1);
    grid->addWidget(Label4, 8, 0, 1, 3);
}

QString FrmSplash::versionText()
{
    return QStringLiteral("Version ") + QString::number(VersionMajor) + QLatin1Char('.') + QString::number(VersionMinor)
        + QLatin1Char('.') + QString::number(VersionRevision);
}

void FrmSplash::Form_Load()
{
    Version->setText(versionText());
    lblCompanyProduct->setText(Lang_Loader::Caption(44, QStringLiteral("Programmed by")) + QStringLiteral(" : ")
                               + links::makerName());
    Label3->setText(Lang_Loader::Caption(50, Label3->text()));
    Label5->setText(Lang_Loader::Caption(52, Label5->text()));
    Label6->setText(Lang_Loader::Caption(53, Label6->text()));
    Command1->setText(Lang_Loader::Caption(54, QStringLiteral("Donate")));
}

void FrmSplash::Command1_Click()
{
    Lang_Loader::ShellOpen(links::donationPage(help::donationCurrency(Label6->text())));
}

void FrmSplash::Label1_Click()
{
    Lang_Loader::ShellOpen(help::mailLink(Label1->text()));
}

void FrmSplash::Label2_Click()
{
    Lang_Loader::ShellOpen(links::site());
}

void FrmSplash::Label4_Click()
{
    message(this, help::designerText());
}

void FrmSplash::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    accept();
}

void FrmSplash::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    accept();
}

bool FrmSplash::eventFilter(QObject* watched, QEvent* event)
{
    const bool link = watched == Label1 || watched == Label2 || watched == Label4;
    // A press on a link is kept from the window, which would close on it.
    if (event->type() == QEvent::MouseButtonPress && link)
        return true;
    if (event->type() != QEvent::MouseButtonRelease)
        return QDialog::eventFilter(watched, event);
    if (watched == Label1)
        Label1_Click();
    else if (watched == Label2)
        Label2_Click();
    else if (watched == Label4)
        Label4_Click();
    else if (watched == imgLogo)
        accept();
    return true;
}

} // namespace tavrel
