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
    const DiscImageResult& result() const { return result_; }

    void reject() override; // Cancel and the close box

private:
    void buildControls(const LanguageTable& language);
    void start();
    void showProgress(int done, int total);
    void jobEnded(const DiscImageResult& result);

    DiscImageSnapshot snapshot_;
    std::unique_ptr<DiscImageJob> job_;
    JobThread worker_; // after the job: stops and waits for it first
    DiscImageResult result_;
    bool cancelled_ = false;
    QLabel* count_ = nullptr;       // 1098
    QLabel* percent_ = nullptr;     // 1101
    QProgressBar* bar_ = nullptr;   // 1000
    QPushButton* cancel_ = nullptr; // 2
    QLabel* stopping_ = nullptr;    // shown from Cancel until the worker has ended
};

/// The message shown for an image job that did not complete (empty for
/// Completed and Cancelled).
QString discImageFailureText(const DiscImageResult& result, const LanguageTable& language);

} // namespace brenlow
