#pragma once
// Dialog 229: erases a rewritable disc on a worker thread (BLANK, then TEST
// UNIT READY once a second until the drive is ready, then eject). Cancel and
// the close box stop the polling and close once the worker has ended; the
// drive finishes the erase on its own.

#include "cdrip/jobs/job_thread.h"
#include "cdrip/scsi/drive_table.h"
#include "cdrip/scsi/erase_job.h"
#include "cdrip/ui/language_table.h"

#include <QDialog>
#include <chrono>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace brenlow {

class EraseDialog : public QDialog {
    Q_OBJECT
public:
    /// `pollInterval`: how often the drive is asked whether the erase has ended.
    EraseDialog(std::shared_ptr<ScsiTransport> transport, DriveTable drives, const LanguageTable& language,
                QWidget* parent = nullptr, std::chrono::milliseconds pollInterval = std::chrono::seconds(1));

    /// "Erase !" (1).
    void erase();
    bool busy() const { return worker_.isRunning(); }

    void reject() override; // Cancel (2) and the close box

signals:
    void eraseEnded(brenlow::EraseResult result);

private:
    void jobEnded(const EraseResult& result);
    void setIdle(bool idle);

    std::shared_ptr<ScsiTransport> transport_;
    DriveTable drives_;
    const LanguageTable& language_;
    std::chrono::milliseconds pollInterval_;
    std::unique_ptr<EraseJob> job_;
    JobThread worker_; // after the job: stops and waits for it first
    bool closing_ = false;

    QPushButton* erase_ = nullptr;  // 1
    QPushButton* cancel_ = nullptr; // 2
    QComboBox* burner_ = nullptr;   // 1105
    QRadioButton* quick_ = nullptr; // 1067
    QRadioButton* full_ = nullptr;  // 1068
    QLabel* status_ = nullptr;      // 1149
};

/// The message for an erase that did not end with the disc erased (empty for
/// Erased and Stopped).
QString eraseFailureText(const EraseResult& result, const LanguageTable& language);

} // namespace brenlow
