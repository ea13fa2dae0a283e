#include "cdrip/ui/erase_dialog.h"

#include "cdrip/ui/control_ids.h"
#include "platform/shell/services.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace brenlow {

namespace {

template <class Widget>
Widget* named(Widget* widget, int id)
{
    widget->setObjectName(QString::number(id));
    return widget;
}

} // namespace

QString eraseFailureText(const EraseResult& result)
{
    switch (result.outcome) {
    case EraseOutcome::Erased:
    case EraseOutcome::Stopped:
        return {};
    case EraseOutcome::BlankRefused:
        return QStringLiteral("The drive refused to erase the disc (%1).").arg(result.command.text());
    case EraseOutcome::Failed:
        return QStringLiteral("The drive reported an error while erasing (%1).").arg(result.command.text());
    case EraseOutcome::TimedOut:
        return QStringLiteral("The drive did not finish erasing in time.");
    }
    return {};
}

EraseDialog::EraseDialog(std::shared_ptr<ScsiTransport> transport, DriveTable drives, const LanguageTable& language,
                         QWidget* parent)
    : QDialog(parent), m_transport(std::move(transport)), m_drives(std::move(drives)), m_language(language)
{
    setObjectName(QStringLiteral("229"));
    setWindowTitle(QStringLiteral("Brenlow"));
    auto* layout = new QGridLayout(this);
    layout->addWidget(named(new QLabel(language.line(27), this), erase_ids::BurnerCaption), 0, 0);
    m_burner = named(new QComboBox(this), erase_ids::Burner);
    for (const DriveRecord& drive : m_drives.drives())
        m_burner->addItem(drive.description);
    if (m_burner->count() > 0)
        m_burner->setCurrentIndex(0);
    layout->addWidget(m_burner, 0, 1, 1, 2);
    m_quick = named(new QRadioButton(language.line(146), this), erase_ids::QuickErase);
    m_full = named(new QRadioButton(language.line(147), this), erase_ids::FullErase);
    m_quick->setChecked(true);
    layout->addWidget(m_quick, 1, 0, 1, 3);
    layout->addWidget(m_full, 2, 0, 1, 3);
    // The status line shows only while an erase runs, so the idle dialog has
    // no empty band above its buttons.
    m_status = named(new QLabel(this), erase_ids::Status);
    m_status->hide();
    layout->addWidget(m_status, 3, 0, 1, 3);
    m_erase = named(new QPushButton(language.line(145), this), erase_ids::Erase);
    m_cancel = named(new QPushButton(language.line(83), this), erase_ids::Cancel);
    layout->addWidget(m_erase, 4, 1);
    layout->addWidget(m_cancel, 4, 2);
    connect(m_erase, &QPushButton::clicked, this, &EraseDialog::erase);
    connect(m_cancel, &QPushButton::clicked, this, &EraseDialog::reject);
}

void EraseDialog::setIdle(bool idle)
{
    // While erasing only the close box ends the dialog (it stops the polling).
    m_erase->setEnabled(idle);
    m_cancel->setEnabled(idle);
    m_burner->setEnabled(idle);
    if (idle)
        m_status->clear();
    m_status->setVisible(!idle);
}

void EraseDialog::erase()
{
    const DriveRecord* drive = m_drives.at(m_burner->currentIndex());
    if (busy() || !drive || !m_transport)
        return;
    setIdle(false);
    m_status->setText(m_language.line(150));
    EraseSnapshot snapshot;
    snapshot.transport = m_transport;
    snapshot.drive = drive->address;
    snapshot.fullErase = m_full->isChecked();
    snapshot.pollInterval = m_pollInterval;
    m_job = std::make_unique<EraseJob>(snapshot);
    EraseJob* job = m_job.get();
    m_worker.start([job](const std::atomic<bool>& stop) { return job->run(stop); },
                   [this](const EraseResult& result) { jobEnded(result); });
}

void EraseDialog::jobEnded(const EraseResult& result)
{
    m_job.reset();
    setIdle(true);
    if (m_closing) {
        QDialog::reject();
    } else if (const QString text = eraseFailureText(result); !text.isEmpty()) {
        quandor::shell::messageBox(this, text, QStringLiteral("Brenlow"), quandor::shell::MessageButtons::Ok,
                                   quandor::shell::MessageIcon::Warning);
    }
    emit eraseEnded(result);
}

void EraseDialog::reject()
{
    if (busy()) {
        // Stop polling; the dialog closes once the worker has ended.
        m_closing = true;
        m_worker.requestStop();
        return;
    }
    QDialog::reject();
}

} // namespace brenlow
