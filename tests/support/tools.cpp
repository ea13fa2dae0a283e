#include "tests/support/tools.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace quandor::test {

ToolResult runTool(const QString& program, const QStringList& arguments, int timeoutMs)
{
    ToolResult result;
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return result;
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

bool haveTool(const QString& program)
{
    return !QStandardPaths::findExecutable(program).isEmpty();
}

bool haveCheckingTool(const QString& program)
{
    if (haveTool(program))
        return true;
    if (qEnvironmentVariable("CI") == QLatin1String("true"))
        ADD_FAILURE() << program.toStdString() << " is missing; scripts/setup installs it";
    return false;
}

QJsonObject ffprobe(const QString& path)
{
    const ToolResult r =
        runTool(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-print_format"), QStringLiteral("json"),
                 QStringLiteral("-show_format"), QStringLiteral("-show_streams"), path});
    if (r.exitCode != 0)
        return {};
    return QJsonDocument::fromJson(r.out).object();
}

QJsonObject firstAudioStream(const QJsonObject& probe)
{
    const QJsonArray streams = probe.value(QStringLiteral("streams")).toArray();
    for (const QJsonValue& stream : streams) {
        if (stream.toObject().value(QStringLiteral("codec_type")).toString() == QStringLiteral("audio"))
            return stream.toObject();
    }
    return {};
}

double probedDuration(const QJsonObject& probe)
{
    bool ok = false;
    const double seconds =
        probe.value(QStringLiteral("format")).toObject().value(QStringLiteral("duration")).toString().toDouble(&ok);
    return ok ? seconds : -1.0;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QString hostileInput(const QString& name)
{
    return qEnvironmentVariable("QUANDOR_SOURCE_DIR") + QStringLiteral("/tests/fixtures/hostile/") + name;
}

QString tavrelFolder()
{
    return qEnvironmentVariable("QUANDOR_TAVREL_DIR");
}

QString brenlowFolder()
{
    return qEnvironmentVariable("QUANDOR_BRENLOW_DIR");
}

} // namespace quandor::test
