#include "cdrip/ui/about_dialog.h"

#include "cdrip/ui/control_ids.h"
#include "cdrip/ui/design_scale.h"
#include "cdrip/ui/language_table.h"
#include "cdrip/ui/link_label.h"
#include "cdrip/ui/maker_links.h"
#include "platform/shell/services.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace brenlow {
namespace {

QWidget* place(QWidget* widget, int id, QRect where)
{
    widget->setObjectName(QString::number(id));
    widget->setGeometry(where);
    return widget;
}

} // namespace

AboutDialog::AboutDialog(const LanguageTable& language, QString aspiStatus, QWidget* parent)
    : QDialog(parent),
      language_(language),
      aspiStatus_(std::move(aspiStatus))
{
    setObjectName(QStringLiteral("168"));
    setWindowTitle(QString());
    setFixedSize(360, 380);

    auto* banner = new QLabel(QStringLiteral("Brenlow"), this);
    place(banner, 197, {0, 0, 360, 60});
    banner->setStyleSheet(
        QStringLiteral("background: #16779a; color: white; font-size: 24px; font-weight: bold; padding-left: 12px;"));

    auto* info = new QGroupBox(this);
    place(info, about_ids::InformationGroup, {8, 68, 344, 140});
    auto* name = new QLabel(QStringLiteral("Brenlow\n04/11/2005\nQuandor"), this);
    name->setGeometry(20, 90, 320, 50);

    const QString linkStyle = QStringLiteral("color: rgb(50, 50, 255); background: transparent;");
    auto* site = new LinkLabel(this);
    place(site, about_ids::SiteLink, {20, 146, 320, 20});
    site->setText(makerSite().section(QStringLiteral("//"), 1));
    auto* mail = new LinkLabel(this);
    place(mail, about_ids::MailLink, {20, 172, 320, 20});
    mail->setText(makerMail());
    for (LinkLabel* link : {site, mail}) {
        link->setStyleSheet(linkStyle);
        makeLinkControl(*link);
    }
    connect(site, &LinkLabel::clicked, this, [this] { openAndClose(siteLink()); });
    connect(mail, &LinkLabel::clicked, this, [this] { openAndClose(mailLink()); });

    place(new QGroupBox(this), about_ids::DonationGroup, {8, 216, 344, 120});
    auto* sentence = new QLabel(this);
    place(sentence, about_ids::DonationSentence, {20, 236, 320, 40});
    sentence->setWordWrap(true);
    place(new QLabel(this), about_ids::AmountCaption, {20, 290, 70, 22});
    auto* amount = new QLineEdit(this);
    place(amount, about_ids::Amount, {92, 290, 60, 22});
    amount->setMaxLength(259);
    amount->setText(QStringLiteral("10"));
    place(new QLabel(this), about_ids::CurrencyCaption, {158, 290, 70, 22});
    auto* donate = new LinkLabel(this);
    place(donate, about_ids::Donate, {240, 282, 100, 36});
    donate->setText(QStringLiteral("\u2665"));
    donate->setStyleSheet(QStringLiteral("color: #16779a; border: 1px solid #829aad;"));
    donate->setAlignment(Qt::AlignCenter);
    makeLinkControl(*donate);
    connect(donate, &LinkLabel::clicked, this, [this] { openAndClose(donationLink()); });

    auto* ok = new QPushButton(this);
    place(ok, about_ids::Ok, {130, 344, 100, 28});
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    for (int i = 0; i < 5; ++i) {
        QWidget* widget = findChild<QWidget*>(QString::number(about_ids::FirstCaption + i));
        if (auto* box = qobject_cast<QGroupBox*>(widget))
            box->setTitle(language_.line(86 + i));
        else if (auto* label = qobject_cast<QLabel*>(widget))
            label->setText(language_.line(86 + i));
    }
    ok->setText(language_.line(63));
    fitToFont(*this);
}

QString AboutDialog::siteLink() const
{
    return makerPageWithStatus(language_.line(92), aspiStatus_);
}

QString AboutDialog::mailLink() const
{
    return QStringLiteral("mailto:") + makerMail() + QStringLiteral("?subject=")
        + percentEncoded(QStringLiteral("Brenlow Information"));
}

QString AboutDialog::donationLink() const
{
    const QString amount = findChild<QLineEdit*>(QString::number(about_ids::Amount))->text();
    return donationPageStart() + percentEncoded(amount) + QStringLiteral("&no_note=1&currency_code=")
        + percentEncoded(language_.line(91));
}

void AboutDialog::openAndClose(const QString& target)
{
    quandor::shell::services().openUrl(target);
    accept();
}

} // namespace brenlow
