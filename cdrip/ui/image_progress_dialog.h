#pragma once
// Dialog 211: reads the disc into a .bin/.cue image on a worker thread and
// shows its progress. Cancel (and the close box) ask the worker to stop and
// say at once that the stop is pending (a drive may be in the middle of a slow
// read); the dialog stays until the worker has ended, and the worker removes
// both files.

#include "cdrip/jobs/job_thread.h"
#include "cdrip/scsi/disc_image_job.h"
#include "cdrip/ui/language_table.h"

#include <QDialog>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace brenlow {

class ImageProgressDialog : public QDialog {
    Q_OBJECT
public:
    ImageProgressDialog(DiscImageSnapshot snapshot, const LanguageTable& language, QWidget* parent = nullptr);

    /// How the job ended (valid once the dialog has ended).
    const DiscImageResult& result() const { return m_result; }
    bool workerRunning() const { return m_worker.isRunning(); }

    void reject() override;   // Cancel and the close box

private:
    void start();
    void showProgress(int done, int total);
    void jobEnded(const DiscImageResult& result);

    DiscImageSnapshot m_snapshot;
    std::unique_ptr<DiscImageJob> m_job;
    JobThread m_worker;   // after the job: stops and waits for it first
    DiscImageResult m_result;
    bool m_cancelled = false;
    QLabel* m_count = nullptr;      // 1098
    QLabel* m_percent = nullptr;    // 1101
    QProgressBar* m_bar = nullptr;  // 1000
    QPushButton* m_cancel = nullptr; // 2
    QLabel* m_stopping = nullptr;    // shown from Cancel until the worker has ended
};

/// The message shown for an image job that did not complete (empty for
/// Completed and Cancelled).
QString discImageFailureText(const DiscImageResult& result);

} // namespace brenlow
