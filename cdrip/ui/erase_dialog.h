#pragma once
// Dialog 229: erases a rewritable disc on a worker thread (BLANK, then TEST
// UNIT READY once a second until the drive is ready, then eject). Cancel and
// the close box stop the polling and close once the worker has ended; the
// drive finishes the erase on its own.

#include "cdrip/scsi/drive_table.h"
#include "cdrip/jobs/job_thread.h"
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
    EraseDialog(std::shared_ptr<ScsiTransport> transport, DriveTable drives, const LanguageTable& language,
                QWidget* parent = nullptr);

    /// "Erase !" (1).
    void erase();
    bool busy() const { return m_worker.isRunning(); }
    /// For tests: the poll interval of the next erase.
    void setPollInterval(std::chrono::milliseconds interval) { m_pollInterval = interval; }

    void reject() override;   // Cancel (2) and the close box

signals:
    void eraseEnded(brenlow::EraseResult result);

private:
    void jobEnded(const EraseResult& result);
    void setIdle(bool idle);

    std::shared_ptr<ScsiTransport> m_transport;
    DriveTable m_drives;
    const LanguageTable& m_language;
    std::chrono::milliseconds m_pollInterval{1000};
    std::unique_ptr<EraseJob> m_job;
    JobThread m_worker;   // after the job: stops and waits for it first
    bool m_closing = false;

    QPushButton* m_erase = nullptr;     // 1
    QPushButton* m_cancel = nullptr;    // 2
    QComboBox* m_burner = nullptr;      // 1105
    QRadioButton* m_quick = nullptr;    // 1067
    QRadioButton* m_full = nullptr;     // 1068
    QLabel* m_status = nullptr;         // 1149
};

/// The message for an erase that did not end with the disc erased (empty for
/// Erased and Stopped).
QString eraseFailureText(const EraseResult& result);

} // namespace brenlow
