#include "platform/audio/library_logging.h"

#include "platform/ffmpeg/ffmpeg_loader.h"

extern "C" {
#include <libavutil/log.h>
}

#include <taglib/tdebuglistener.h>

#include <QByteArray>
#include <QLoggingCategory>

#include <cstdarg>

namespace quandor::audio {

namespace {

// Only critical messages are on unless the user's logging rules say otherwise.
Q_LOGGING_CATEGORY(ffmpegLog, "quandor.audio.ffmpeg", QtCriticalMsg)
Q_LOGGING_CATEGORY(taglibLog, "quandor.audio.taglib", QtCriticalMsg)

// FFmpeg's "error" is mostly about a damaged part of a file it then skips;
// only its fatal messages are errors of the program's own weight.
QtMsgType messageType(int level)
{
    if (level <= AV_LOG_FATAL)
        return QtCriticalMsg;
    if (level <= AV_LOG_ERROR)
        return QtWarningMsg;
    if (level <= AV_LOG_WARNING)
        return QtInfoMsg;
    return QtDebugMsg;
}

// FFmpeg prints the component's name only at the start of a line and some
// messages span several calls; decoders log from their own threads.
thread_local int printPrefix = 1;

void logFfmpegMessage(void* context, int level, const char* format, va_list arguments)
{
    if (level > av_log_get_level())
        return;
    const QtMsgType type = messageType(level);
    if (!ffmpegLog().isEnabled(type))
        return;
    va_list measuring;
    va_copy(measuring, arguments);
    int prefix = printPrefix;
    const int length = av_log_format_line2(context, level, format, measuring, nullptr, 0, &prefix);
    va_end(measuring);
    if (length <= 0)
        return;
    QByteArray line(length + 1, '\0');
    av_log_format_line2(context, level, format, arguments, line.data(), int(line.size()), &printPrefix);
    line.truncate(length);
    while (line.endsWith('\n'))
        line.chop(1);
    if (line.isEmpty())
        return;
    const QMessageLogger logger(nullptr, 0, nullptr, ffmpegLog().categoryName());
    switch (type) {
    case QtCriticalMsg:
        logger.critical("%s", line.constData());
        break;
    case QtWarningMsg:
        logger.warning("%s", line.constData());
        break;
    case QtInfoMsg:
        logger.info("%s", line.constData());
        break;
    default:
        logger.debug("%s", line.constData());
        break;
    }
}

// TagLib's messages are notes about the files it parses.
class TagLibListener final : public TagLib::DebugListener {
public:
    void printMessage(const TagLib::String& message) override
    {
        if (taglibLog().isDebugEnabled())
            qCDebug(taglibLog, "%s", message.stripWhiteSpace().toCString(true));
    }
};

} // namespace

void quietLibraryLogging()
{
    // FFmpeg skips formatting what its level leaves out. Set when FFmpeg
    // loads, which starting the program does not do.
    quandor::ffmpeg::whenLoaded([] {
        const bool notes = ffmpegLog().isInfoEnabled();
        av_log_set_level(ffmpegLog().isDebugEnabled() ? AV_LOG_DEBUG : notes ? AV_LOG_WARNING : AV_LOG_ERROR);
        av_log_set_callback(logFfmpegMessage);
    });
    static TagLibListener listener;
    TagLib::setDebugListener(&listener);
}

} // namespace quandor::audio
