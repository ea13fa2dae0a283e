#pragma once
// Running the independent command-line tools that check our outputs
// (ffprobe, ffmpeg, ogginfo, id3v2, cuebreakpoints, ...), and small file helpers.

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace quandor::test {

struct ToolResult {
    int exitCode = -1; ///< -1 when the tool could not be started or timed out
    QByteArray out;
    QByteArray err;
};

/// Runs `program` with `arguments` and waits up to `timeoutMs`.
ToolResult runTool(const QString& program, const QStringList& arguments, int timeoutMs = 120000);

/// True when `program` is on PATH.
bool haveTool(const QString& program);

/// True when `program`, a tool that checks our outputs, is on PATH. scripts/setup
/// installs every such tool, so under CI (CI=true) a missing one fails the test
/// instead of letting its checks vanish.
bool haveCheckingTool(const QString& program);

/// ffprobe -show_format -show_streams as JSON; empty when ffprobe fails.
QJsonObject ffprobe(const QString& path);

/// The first audio stream of ffprobe's answer (codec_name, sample_rate, channels, ...).
QJsonObject firstAudioStream(const QJsonObject& probe);

/// Duration in seconds from ffprobe's format section; negative when unknown.
double probedDuration(const QJsonObject& probe);

QByteArray readAll(const QString& path);
bool writeAll(const QString& path, const QByteArray& bytes);

/// The folder of a built program (QUANDOR_TAVREL_DIR / QUANDOR_BRENLOW_DIR).
QString tavrelFolder();
QString brenlowFolder();

/// A file of tests/fixtures/hostile in the source tree: inputs that once broke
/// a parser. Read them or copy them; never write there.
QString hostileInput(const QString& name);

} // namespace quandor::test
