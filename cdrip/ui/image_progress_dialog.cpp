#include "cdrip/ui/image_progress_dialog.h"

#include "cdrip/ui/control_ids.h"
#include "cdrip/ui/design_scale.h"
#include "cdrip/ui/message_lines.h"
#include "cdrip/ui/path_label.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace brenlow {

namespace {

constexpr int kDesignWidth = 360;
constexpr int kDesignHeight = 150;

QLabel* label(QWidget* parent, int id, const QString& text)
{
    auto* widget = new QLabel(text, parent);
    widget->setObjectName(QString::number(id));
    return widget;
}

} // namespace

QString discImageFailureText(const DiscImageResult& result, const LanguageTable& language)
{
    switch (result.outcome) {
    case DiscImageOutcome::Completed:
    case DiscImageOutcome::Cancelled:
        return {};
    case DiscImageOutcome::NoTracks:
        return QStringLiteral("No Audio CD in the device. Can't process !");
    case DiscImageOutcome::DataTrack:
        return message_lines::ImageDataTrack.in(language);
    case DiscImageOutcome::CreateFailed:
        return withPathAndReason(message_lines::FileNotCreated, language, result.path, result.reason);
    case DiscImageOutcome::WriteFailed:
        return withPathAndReason(message_lines::FileNotWritten, language, result.path, result.reason);
    case DiscImageOutcome::ReadFailed:
        return message_lines::ImageReadFailed.in(language).arg(result.failedAt.value).arg(result.command.text());
    }
    return {};
}

ImageProgressDialog::ImageProgressDialog(DiscImageSnapshot snapshot, const LanguageTable& language, QWidget* parent)
    : QDialog(parent),
      snapshot_(std::move(snapshot))
{
    setObjectName(QStringLiteral("211"));
    setWindowTitle(QStringLiteral("Brenlow"));
    // Its designed size, whatever the length of the image's path.
    setFixedSize(kDesignWidth, kDesignHeight);
    buildControls(language);

    fitToFont(*this);

    // The job starts once the dialog is on screen.
    QTimer::singleShot(200, this, &ImageProgressDialog::start);
}

void ImageProgressDialog::buildControls(const LanguageTable& language)
{
    const int total = DiscImageJob::sectorCount(snapshot_.tracks);
    auto* layout = new QGridLayout(this);
    layout->setColumnStretch(1, 1);
    layout->addWidget(label(this, image_progress_ids::FileCaption, language.line(53)), 0, 0);
    auto* file = new PathLabel(snapshot_.paths.binPath, this);
    file->setObjectName(QString::number(image_progress_ids::File));
    layout->addWidget(file, 0, 1);
    layout->addWidget(label(this, image_progress_ids::SectorsCaption, language.line(52)), 1, 0);
    count_ = label(this, image_progress_ids::Sectors, QStringLiteral("0 / %1").arg(total));
    layout->addWidget(count_, 1, 1);
    // The status caption is a sentence, long in some languages: it and its
    // value take a row of their own, so that it never narrows the path's column.
    auto* status = new QHBoxLayout;
    status->addWidget(label(this, image_progress_ids::PercentCaption, language.line(54)));
    percent_ = label(this, image_progress_ids::Percent, QStringLiteral("0 %"));
    status->addWidget(percent_, 1);
    layout->addLayout(status, 2, 0, 1, 2);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QString::number(image_progress_ids::ProgressBar));
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    layout->addWidget(bar_, 3, 0, 1, 2);
    stopping_ = new QLabel(message_lines::ImageStopping.in(language), this);
    stopping_->setObjectName(QStringLiteral("stopping"));
    stopping_->hide();
    layout->addWidget(stopping_, 4, 0);
    cancel_ = new QPushButton(language.line(51), this);
    cancel_->setObjectName(QString::number(image_progress_ids::Cancel));
    layout->addWidget(cancel_, 4, 1, Qt::AlignRight);
    connect(cancel_, &QPushButton::clicked, this, &ImageProgressDialog::reject);
}

void ImageProgressDialog::start()
{
    if (job_ || cancelled_)
        return;
    job_ = std::make_unique<DiscImageJob>(snapshot_);
    connect(job_.get(), &DiscImageJob::progress, this, &ImageProgressDialog::showProgress, Qt::QueuedConnection);
    DiscImageJob* job = job_.get();
    worker_.start([job](const std::atomic<bool>& stop) { return job->run(stop); },
                  [this](const DiscImageResult& result) { jobEnded(result); });
}

void ImageProgressDialog::showProgress(int done, int total)
{
    count_->setText(QStringLiteral("%1 / %2").arg(done).arg(total));
    const int percent = progressPercent(done, total);
    bar_->setValue(percent);
    percent_->setText(QStringLiteral("%1 %").arg(percent));
}

void ImageProgressDialog::jobEnded(const DiscImageResult& result)
{
    result_ = result;
    if (result.outcome == DiscImageOutcome::Completed)
        accept();
    else
        done(QDialog::Rejected);
}

void ImageProgressDialog::reject()
{
    if (!job_) {
        // Not started yet: nothing to clean up.
        cancelled_ = true;
        result_.outcome = DiscImageOutcome::Cancelled;
        QDialog::reject();
        return;
    }
    // The worker stops before its next read and removes both files; the
    // dialog ends when it reports.
    cancelled_ = true;
    cancel_->setEnabled(false);
    stopping_->show();
    worker_.requestStop();
}

} // namespace brenlow
