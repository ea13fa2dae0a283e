#include "cdrip/ui/image_progress_dialog.h"

#include "cdrip/ui/control_ids.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace brenlow {

namespace {

QLabel* label(QWidget* parent, int id, const QString& text)
{
    auto* widget = new QLabel(text, parent);
    widget->setObjectName(QString::number(id));
    return widget;
}

} // namespace

QString discImageFailureText(const DiscImageResult& result)
{
    switch (result.outcome) {
    case DiscImageOutcome::Completed:
    case DiscImageOutcome::Cancelled:
        return {};
    case DiscImageOutcome::NoTracks:
        return QStringLiteral("No Audio CD in the device. Can't process !");
    case DiscImageOutcome::DataTrack:
        return QStringLiteral("This disc holds a data track: only audio discs can be imaged.");
    case DiscImageOutcome::CreateFailed:
        return QStringLiteral("The file cannot be created:\n%1").arg(result.path);
    case DiscImageOutcome::WriteFailed:
        return QStringLiteral("Writing the file failed (is the disk full?):\n%1").arg(result.path);
    case DiscImageOutcome::ReadFailed:
        return QStringLiteral("The disc cannot be read at sector %1 (%2). The image was not kept.")
            .arg(result.failedAt.value)
            .arg(result.command.text());
    }
    return {};
}

ImageProgressDialog::ImageProgressDialog(DiscImageSnapshot snapshot, const LanguageTable& language, QWidget* parent)
    : QDialog(parent), m_snapshot(std::move(snapshot))
{
    setObjectName(QStringLiteral("211"));
    setWindowTitle(QStringLiteral("Brenlow"));
    const int total = DiscImageJob::sectorCount(m_snapshot.tracks);
    auto* layout = new QGridLayout(this);
    layout->addWidget(label(this, image_progress_ids::FileCaption, language.line(52)), 0, 0);
    layout->addWidget(label(this, image_progress_ids::File, m_snapshot.paths.binPath), 0, 1);
    layout->addWidget(label(this, image_progress_ids::SectorsCaption, language.line(53)), 1, 0);
    m_count = label(this, image_progress_ids::Sectors, QStringLiteral("0 / %1").arg(total));
    layout->addWidget(m_count, 1, 1);
    layout->addWidget(label(this, image_progress_ids::PercentCaption, language.line(54)), 2, 0);
    m_percent = label(this, image_progress_ids::Percent, QStringLiteral("0 %"));
    layout->addWidget(m_percent, 2, 1);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QString::number(image_progress_ids::ProgressBar));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    layout->addWidget(m_bar, 3, 0, 1, 2);
    m_stopping = new QLabel(QStringLiteral("Stopping: waiting for the drive to answer..."), this);
    m_stopping->setObjectName(QStringLiteral("stopping"));
    m_stopping->hide();
    layout->addWidget(m_stopping, 4, 0);
    m_cancel = new QPushButton(language.line(51), this);
    m_cancel->setObjectName(QString::number(image_progress_ids::Cancel));
    layout->addWidget(m_cancel, 4, 1, Qt::AlignRight);
    connect(m_cancel, &QPushButton::clicked, this, &ImageProgressDialog::reject);

    // The job starts once the dialog is on screen.
    QTimer::singleShot(200, this, &ImageProgressDialog::start);
}

void ImageProgressDialog::start()
{
    if (m_job || m_cancelled)
        return;
    m_job = std::make_unique<DiscImageJob>(m_snapshot);
    connect(m_job.get(), &DiscImageJob::progress, this, &ImageProgressDialog::showProgress, Qt::QueuedConnection);
    DiscImageJob* job = m_job.get();
    m_worker.start([job](const std::atomic<bool>& stop) { return job->run(stop); },
                   [this](const DiscImageResult& result) { jobEnded(result); });
}

void ImageProgressDialog::showProgress(int done, int total)
{
    m_count->setText(QStringLiteral("%1 / %2").arg(done).arg(total));
    const int percent = progressPercent(done, total);
    m_bar->setValue(percent);
    m_percent->setText(QStringLiteral("%1 %").arg(percent));
}

void ImageProgressDialog::jobEnded(const DiscImageResult& result)
{
    m_result = result;
    if (result.outcome == DiscImageOutcome::Completed)
        accept();
    else
        done(QDialog::Rejected);
}

void ImageProgressDialog::reject()
{
    if (!m_job) {
        // Not started yet: nothing to clean up.
        m_cancelled = true;
        m_result.outcome = DiscImageOutcome::Cancelled;
        QDialog::reject();
        return;
    }
    // The worker stops before its next read and removes both files; the
    // dialog ends when it reports.
    m_cancelled = true;
    m_cancel->setEnabled(false);
    m_stopping->show();
    m_worker.requestStop();
}

} // namespace brenlow
