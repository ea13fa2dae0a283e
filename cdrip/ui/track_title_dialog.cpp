#include "cdrip/ui/track_title_dialog.h"

#include "cdrip/ui/control_ids.h"
#include "cdrip/ui/language_table.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace brenlow {
namespace {

constexpr int kCaptionLine = 62;
constexpr int kCancelLine = 51;
constexpr int kOkLine = 63;
constexpr int kTitleLimit = 254;

} // namespace

TrackTitleDialog::TrackTitleDialog(const LanguageTable& language, const QString& title, QWidget* parent)
    : QDialog(parent),
      field_(new QLineEdit(title, this))
{
    setObjectName(QStringLiteral("113"));
    setWindowTitle(QStringLiteral("Brenlow"));
    auto* picture = new QLabel(this);
    picture->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(32, 32));
    auto* caption = new QLabel(language.line(kCaptionLine), this);
    caption->setObjectName(QString::number(track_title_ids::Caption));
    field_->setObjectName(QString::number(track_title_ids::Title));
    field_->setMaxLength(kTitleLimit);
    auto* ok = new QPushButton(language.line(kOkLine), this);
    ok->setObjectName(QString::number(track_title_ids::Ok));
    ok->setDefault(true);
    auto* cancel = new QPushButton(language.line(kCancelLine), this);
    cancel->setObjectName(QString::number(track_title_ids::Cancel));
    connect(ok, &QPushButton::clicked, this, &TrackTitleDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &TrackTitleDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(picture, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(caption, 0, 1, 1, 2);
    layout->addWidget(field_, 1, 1, 1, 2);
    layout->addWidget(ok, 2, 1);
    layout->addWidget(cancel, 2, 2);
    resize(360, sizeHint().height());
}

QString TrackTitleDialog::cleanedTitle(const QString& typed)
{
    QString title = typed.left(kTitleLimit);
    for (QChar& c : title) {
        if (QStringLiteral("/\\:*?<>|").contains(c))
            c = QLatin1Char('_');
    }
    return title;
}

void TrackTitleDialog::accept()
{
    if (field_->text().isEmpty())
        return; // an empty title keeps the dialog open
    title_ = cleanedTitle(field_->text());
    QDialog::accept();
}

} // namespace brenlow
