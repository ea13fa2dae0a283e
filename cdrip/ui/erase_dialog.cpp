#include "cdrip/ui/erase_dialog.h"

#include "cdrip/ui/control_ids.h"
#include "cdrip/ui/message_lines.h"
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

namespace {

// What the drive's sense data says in words, and what the user can do about
// it; the codes follow in brackets. Nothing for a reason without advice.
const MessageLine* adviceFor(const SenseData& sense)
{
    if (sense.asc == 0x30 && sense.ascq == 0x05)
        return &message_lines::EraseNotRewritable; // cannot write medium, incompatible format
    if (sense.asc == 0x3A)
        return &message_lines::EraseNoDisc; // medium not present
    if (sense.asc == 0x20 && sense.ascq == 0x00)
        return &message_lines::EraseCannotWrite; // invalid command operation code
    if (sense.asc == 0x04 && sense.ascq == 0x07)
        return &message_lines::EraseStillBusy; // operation in progress
    return nullptr;
}

} // namespace

QString eraseFailureText(const EraseResult& result, const LanguageTable& language)
{
    const QString codes = result.command.text();
    switch (result.outcome) {
    case EraseOutcome::Erased:
    case EraseOutcome::Stopped:
        return {};
    case EraseOutcome::BlankRefused:
        if (const MessageLine* advice = adviceFor(result.command.sense))
            return advice->in(language).arg(codes);
        return message_lines::EraseRefused.in(language).arg(codes);
    case EraseOutcome::Failed:
        if (const MessageLine* advice = adviceFor(result.command.sense))
            return advice->in(language).arg(codes);
        return message_lines::EraseFailed.in(language).arg(codes);
    case EraseOutcome::TimedOut:
        return message_lines::EraseTimedOut.in(language);
    }
    return {};
}

EraseDialog::EraseDialog(std::shared_ptr<ScsiTransport> transport, DriveTable drives, const LanguageTable& language,
                         QWidget* parent, std::chrono::milliseconds pollInterval)
    : QDialog(parent),
      transport_(std::move(transport)),
      drives_(std::move(drives)),
      language_(language),
      pollInterval_(pollInterval)
{
    setObjectName(QStringLiteral("229"));
    setWindowTitle(QStringLiteral("Brenlow"));
    auto* layout = new QGridLayout(this);
    layout->addWidget(named(new QLabel(language.line(27), this), erase_ids::BurnerCaption), 0, 0);
    burner_ = named(new QComboBox(this), erase_ids::Burner);
    for (const DriveRecord& drive : drives_.drives())
        burner_->addItem(drive.description);
    if (burner_->count() > 0)
        burner_->setCurrentIndex(0);
    layout->addWidget(burner_, 0, 1, 1, 2);
    quick_ = named(new QRadioButton(language.line(146), this), erase_ids::QuickErase);
    full_ = named(new QRadioButton(language.line(147), this), erase_ids::FullErase);
    quick_->setChecked(true);
    layout->addWidget(quick_, 1, 0, 1, 3);
    layout->addWidget(full_, 2, 0, 1, 3);
    // The status line shows only while an erase runs, so the idle dialog has
    // no empty band above its buttons.
    status_ = named(new QLabel(this), erase_ids::Status);
    status_->hide();
    layout->addWidget(status_, 3, 0, 1, 3);
    erase_ = named(new QPushButton(language.line(145), this), erase_ids::Erase);
    cancel_ = named(new QPushButton(language.line(83), this), erase_ids::Cancel);
    layout->addWidget(erase_, 4, 1);
    layout->addWidget(cancel_, 4, 2);
    connect(erase_, &QPushButton::clicked, this, &EraseDialog::erase);
    connect(cancel_, &QPushButton::clicked, this, &EraseDialog::reject);
}

void EraseDialog::setIdle(bool idle)
{
    // While erasing only the close box ends the dialog (it stops the polling).
    erase_->setEnabled(idle);
    cancel_->setEnabled(idle);
    burner_->setEnabled(idle);
    if (idle)
        status_->clear();
    status_->setVisible(!idle);
}

void EraseDialog::erase()
{
    const DriveRecord* drive = drives_.at(burner_->currentIndex());
    if (busy() || !drive || !transport_)
        return;
    setIdle(false);
    status_->setText(language_.line(150));
    EraseSnapshot snapshot;
    snapshot.transport = transport_;
    snapshot.drive = drive->address;
    snapshot.fullErase = full_->isChecked();
    snapshot.pollInterval = pollInterval_;
    job_ = std::make_unique<EraseJob>(snapshot);
    EraseJob* job = job_.get();
    worker_.start([job](const std::atomic<bool>& stop) { return job->run(stop); },
                  [this](const EraseResult& result) { jobEnded(result); });
}

void EraseDialog::jobEnded(const EraseResult& result)
{
    job_.reset();
    setIdle(true);
    if (closing_) {
        QDialog::reject();
    } else if (const QString text = eraseFailureText(result, language_); !text.isEmpty()) {
        quandor::shell::messageBox(this, text, QStringLiteral("Brenlow"), quandor::shell::MessageButtons::Ok,
                                   quandor::shell::MessageIcon::Warning);
    }
    emit eraseEnded(result);
}

void EraseDialog::reject()
{
    if (busy()) {
        // Stop polling; the dialog closes once the worker has ended.
        closing_ = true;
        worker_.requestStop();
        return;
    }
    QDialog::reject();
}

} // namespace brenlow
