// One batch through the converter's real main window, as a process of its
// own: started like the program, shown, given the files and the format, then
// "Convert !" is clicked; the process ends when the run does. It also
// measures how long the window takes to answer: a timer due every 50 ms is
// late by however long the conversion keeps the event loop waiting, which
// is the time a press on Cancel, Close or Convert Now would wait. With
// --cancel-after it presses Cancel (a real posted click) and reports when
// the press was answered and when the run ended.
//
// Usage: tavrel_window_run --program DIR --out DIR --format Mp3 [--cancel-after S] FILE...
// Prints one line: key=value pairs.

#include "converter/main/audiotool.h"
#include "converter/main/conversion_engine.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <ctime>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

long statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').front().toLong();
    }
    return -1;
}

void postClick(QWidget* button)
{
    const QPointF at(button->width() / 2.0, button->height() / 2.0);
    const QPointF global = button->mapToGlobal(at);
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                         Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                                        Qt::NoButton, Qt::NoModifier));
}

// This thread's CPU time in ms: how long a wait would be on an idle core.
qint64 threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrel"));
    QString program, out, format;
    double cancelAfter = -1;
    QStringList files;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--program") && i + 1 < args.size())
            program = args[++i];
        else if (args[i] == QLatin1String("--out") && i + 1 < args.size())
            out = args[++i];
        else if (args[i] == QLatin1String("--format") && i + 1 < args.size())
            format = args[++i];
        else if (args[i] == QLatin1String("--cancel-after") && i + 1 < args.size())
            cancelAfter = args[++i].toDouble();
        else
            files << args[i];
    }

    // Started as the program starts.
    tavrel::Audiotool window({program, program});
    window.Form_Initialize();
    window.Form_Load();
    window.show();

    std::vector<qint64> lateness;           // ms a due timer waited, during the run
    qint64 worstInPump = 0, worstOutside = 0;  // the worst wait inside the pump, and in the other stages
    qint64 cancelAnswerMs = -1, cancelEndMs = -1;
    long startKb = 0;
    QElapsedTimer clock;
    clock.start();
    qint64 clickedAt = -1;

    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    qint64 probeDue = 0, worstCpu = 0;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (window.engine().flags.converting) {
            const qint64 late = std::max<qint64>(0, clock.elapsed() - probeDue);
            lateness.push_back(late);
            qint64& worst = window.engine().flags.transcoding ? worstInPump : worstOutside;
            worst = std::max(worst, late);
        }
        probeDue = clock.elapsed() + 50;
    });
    // The event loop wakes at every turn, at the yields too: the CPU time between
    // two turns is the wait a press would have on an idle core.
    qint64 lastTurnCpu = -1, turns = 0;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, [&] {
        if (!window.engine().flags.converting) {
            lastTurnCpu = -1;
            return;
        }
        const qint64 now = threadCpuMs();
        if (lastTurnCpu >= 0)
            worstCpu = std::max(worstCpu, now - lastTurnCpu);
        lastTurnCpu = now;
        ++turns;
    });
    QObject::connect(window.Command4, &QPushButton::clicked, [&] {
        if (clickedAt >= 0 && cancelAnswerMs < 0)
            cancelAnswerMs = clock.elapsed() - clickedAt;
    });

    QTimer::singleShot(0, &window, [&] {
        window.Combo1->setCurrentText(format);
        window.Combo1_Click();
        window.Text1->setText(out);
        for (const QString& file : files)
            window.AddFileToList(file);
        startKb = statusKb("VmRSS:");
        if (cancelAfter >= 0) {
            QTimer::singleShot(int(cancelAfter * 1000), &window, [&] {
                clickedAt = clock.elapsed();
                postClick(window.Command4);
            });
        }
        probeDue = clock.elapsed() + 50;
        probe.start(50);
        window.Command3->click();
        if (clickedAt >= 0)
            cancelEndMs = clock.elapsed() - clickedAt;
        probe.stop();
        QCoreApplication::quit();
    });
    const int rc = app.exec();

    std::sort(lateness.begin(), lateness.end());
    const auto at = [&](double q) { return lateness.empty() ? 0 : lateness[std::size_t(q * double(lateness.size() - 1))]; };
    std::printf("start_kb=%ld peak_kb=%ld answer_median_ms=%lld answer_p99_ms=%lld answer_max_ms=%lld "
                "answer_max_pump_ms=%lld answer_max_other_ms=%lld answer_max_cpu_ms=%lld turns=%lld cancel_answer_ms=%lld cancel_end_ms=%lld\n",
                startKb, statusKb("VmHWM:"), static_cast<long long>(at(0.5)), static_cast<long long>(at(0.99)),
                static_cast<long long>(at(1.0)), static_cast<long long>(worstInPump),
                static_cast<long long>(worstOutside), static_cast<long long>(worstCpu), static_cast<long long>(turns),
                static_cast<long long>(cancelAnswerMs),
                static_cast<long long>(cancelEndMs));
    return rc;
}
