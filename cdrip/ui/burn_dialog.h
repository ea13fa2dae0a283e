#pragma once
// Dialog 214, the image burner: picks a cue sheet, a burner, a speed and the
// two options, reads the cue sheet and tests the disc (log list 1104 and the
// disc-type marks), and runs the burn job on a worker thread. The disc test
// runs on a worker too, with the settings disabled until its result is shown.
// While a burn runs the settings are disabled, Cancel asks before stopping,
// and the window stays until its worker has ended.

#include "cdrip/jobs/job_thread.h"
#include "cdrip/scsi/burn_job.h"
#include "cdrip/scsi/cue_sheet.h"
#include "cdrip/scsi/disc_test_job.h"
#include "cdrip/scsi/drive_table.h"
#include "cdrip/ui/language_table.h"

#include <QDialog>
#include <QElapsedTimer>
#include <memory>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;

namespace brenlow {

/// Icon resources of the disc-type marks (kept as each static's "iconResource").
enum BurnMarkIcon { kMarkThisType = 218, kMarkNotThisType = 219, kMarkWritable = 223, kMarkNotWritable = 224 };

class BurnDialog : public QDialog {
    Q_OBJECT
public:
    BurnDialog(std::shared_ptr<ScsiTransport> transport, DriveTable drives, const LanguageTable& language,
               SetWriteParameters setWriteParameters, QWidget* parent = nullptr);

    /// ReadCueSheet: reads the cue sheet named in 1113 and starts the disc
    /// test; its result is shown when the test's worker reports.
    void readCueSheet();
    /// Burn ! (1112): reads the cue sheet and tests the disc again, then burns
    /// when both allow it.
    void burn();
    /// Cancel (1115).
    void cancelBurn();
    bool busy() const { return worker_.isRunning(); }
    bool testingDisc() const { return testWorker_.isRunning(); }
    /// Waits for the workers (tests and shutdown); true when none runs.
    bool waitForWorker(int timeoutMs);

    void reject() override; // Close and the close box: only when idle

signals:
    /// The burn job has ended and its worker is gone.
    void burnEnded(brenlow::BurnOutcome outcome);

private:
    void buildControls();
    QLabel* caption(int id, int line);
    void buildCueSheetRow(QGridLayout& layout);
    void buildBurnerRow(QGridLayout& layout);
    void buildOptionsRow(QGridLayout& layout);
    void buildDiscTypeRow(QGridLayout& layout);
    void buildLogRows(QGridLayout& layout);
    void buildProgressRows(QGridLayout& layout);
    void buildButtonRow(QGridLayout& layout);
    void addRow(const QString& text, BurnIcon icon);
    void setMark(int id, int icon);
    void startDiscTest();
    void discTested(const DiscTestResult& result);
    void showDiscTest(const DiscTestResult* result);
    void startBurn();
    void browse();
    void tick();
    void jobEnded(BurnOutcome outcome);
    const DriveRecord* selectedBurner() const;

    std::shared_ptr<ScsiTransport> transport_;
    DriveTable drives_;
    const LanguageTable& language_;
    SetWriteParameters setWriteParameters_;
    CueSheetLoad load_;
    bool loaded_ = false;
    std::uint16_t maxWriteSpeed_ = 0xFFFF;
    QElapsedTimer burnClock_; // since the burn started
    // Each worker after its job: closing stops and waits for the worker first.
    std::unique_ptr<BurnJob> job_;
    JobThread worker_;
    std::unique_ptr<DiscTestJob> testJob_;
    JobThread testWorker_;
    bool burnAfterTest_ = false;  // Burn ! pressed: burn once the test allows it
    bool closeAfterTest_ = false; // closed while testing: go once the worker ended
    QString readCuePath_;         // the cue sheet of the last read
    QString keptSpeed_;           // the speed to select again after a re-read

    QLineEdit* cuePath_ = nullptr;   // 1113
    QComboBox* burner_ = nullptr;    // 1105
    QComboBox* speed_ = nullptr;     // 1103
    QCheckBox* burnProof_ = nullptr; // 1037
    QCheckBox* testWrite_ = nullptr; // 1038
    QListWidget* log_ = nullptr;     // 1104
    QLabel* status_ = nullptr;       // 1114
    QLabel* percent_ = nullptr;      // 1111
    QLabel* elapsed_ = nullptr;      // 1118
    QProgressBar* bar_ = nullptr;    // 1000
    QPushButton* burn_ = nullptr;    // 1112
    QTimer* clock_ = nullptr;        // timer 1111
};

} // namespace brenlow
