#pragma once
// The rip feature of the main dialog: the rip commands (1502/40014 compressed,
// 1023/40015 WAV), the stop button 1005, the encoder settings (1041/40028),
// the compression choice (40033/40034) and the tag editor (40011).

#include "cdrip/encode/rip_job.h"

#include <QObject>
#include <QStringList>

namespace brenlow {

class MainDialog;
class RipRunner;

class RipCommands : public QObject {
    Q_OBJECT
public:
    explicit RipCommands(MainDialog& dialog);
    ~RipCommands() override;

    /// Starts a rip of the selected tracks (WAV, or the chosen compression).
    void rip(bool compressed);
    void stop();
    void openEncoderSettings();
    void chooseCompression(bool mp3);
    void openTagEditor();

    bool running() const;
    /// Runs the event loop until the rip has ended.
    void waitUntilDone();
    RipRunner& runner() { return *runner_; }

private:
    void startJob(RipFormat format);
    void report(const RipReport& report);
    void finish();

    MainDialog& dialog_;
    RipRunner* runner_;
};

/// The rip feature of `dialog` (nullptr before attachRipCommands).
RipCommands* ripCommands(const MainDialog& dialog);

/// Where the MP3 encoder library is loaded from (default: the program's folder).
void setLameLibraryFolder(const QString& folder);
/// The tag editor's first-level folders (default: the local file systems).
void setTagEditorRoots(const QStringList& roots);

} // namespace brenlow
