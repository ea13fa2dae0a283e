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
    QCoreApplication::postEvent(
        button, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(
        button, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

// This thread's CPU time in ms: how long a wait would be on an idle core.
qint64 threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

struct RunArguments {
    QString program;
    QString out;
    QString format;
    double cancelAfter = -1; ///< seconds into the run Cancel is pressed; -1: never
    QStringList files;
};

RunArguments parseArguments(const QStringList& args)
{
    RunArguments run;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--program") && i + 1 < args.size())
            run.program = args[++i];
        else if (args[i] == QLatin1String("--out") && i + 1 < args.size())
            run.out = args[++i];
        else if (args[i] == QLatin1String("--format") && i + 1 < args.size())
            run.format = args[++i];
        else if (args[i] == QLatin1String("--cancel-after") && i + 1 < args.size())
            run.cancelAfter = args[++i].toDouble();
        else
            run.files << args[i];
    }
    return run;
}

// How long the window keeps a press waiting while it converts.
class AnswerWatch {
public:
    explicit AnswerWatch(tavrel::Audiotool& window) : window_(window)
    {
        clock_.start();
        probe_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&probe_, &QTimer::timeout, [this] { probeTimer(); });
        // The event loop wakes at every turn, at the yields too: the CPU time between
        // two turns is the wait a press would have on an idle core.
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, [this] { turn(); });
        QObject::connect(window.Command4, &QPushButton::clicked, [this] {
            if (clickedAt_ >= 0 && cancelAnswerMs_ < 0)
                cancelAnswerMs_ = clock_.elapsed() - clickedAt_;
        });
    }

    void start()
    {
        startKb_ = statusKb("VmRSS:");
        probeDue_ = clock_.elapsed() + 50;
        probe_.start(50);
    }
    void cancelClicked() { clickedAt_ = clock_.elapsed(); }
    void runEnded()
    {
        if (clickedAt_ >= 0)
            cancelEndMs_ = clock_.elapsed() - clickedAt_;
        probe_.stop();
    }
    void print();

private:
    void probeTimer()
    {
        if (window_.engine().isConverting()) {
            const qint64 late = std::max<qint64>(0, clock_.elapsed() - probeDue_);
            lateness_.push_back(late);
            qint64& worst = window_.engine().isTranscoding() ? worstInPump_ : worstOutside_;
            worst = std::max(worst, late);
        }
        probeDue_ = clock_.elapsed() + 50;
    }
    void turn()
    {
        if (!window_.engine().isConverting()) {
            lastTurnCpu_ = -1;
            return;
        }
        const qint64 now = threadCpuMs();
        if (lastTurnCpu_ >= 0)
            worstCpu_ = std::max(worstCpu_, now - lastTurnCpu_);
        lastTurnCpu_ = now;
        ++turns_;
    }

    tavrel::Audiotool& window_;
    QElapsedTimer clock_;
    QTimer probe_;
    std::vector<qint64> lateness_;              // ms a due timer waited, during the run
    qint64 worstInPump_ = 0, worstOutside_ = 0; // the worst wait inside the pump, and in the other stages
    qint64 cancelAnswerMs_ = -1, cancelEndMs_ = -1;
    qint64 clickedAt_ = -1;
    qint64 probeDue_ = 0, worstCpu_ = 0;
    qint64 lastTurnCpu_ = -1, turns_ = 0;
    long startKb_ = 0;
};

void AnswerWatch::print()
{
    std::sort(lateness_.begin(), lateness_.end());
    const auto at = [&](double q) {
        return lateness_.empty() ? 0 : lateness_[std::size_t(q * double(lateness_.size() - 1))];
    };
    std::printf(
        "start_kb=%ld peak_kb=%ld answer_median_ms=%lld answer_p99_ms=%lld answer_max_ms=%lld "
        "answer_max_pump_ms=%lld answer_max_other_ms=%lld answer_max_cpu_ms=%lld turns=%lld cancel_answer_ms=%lld cancel_end_ms=%lld\n",
        startKb_, statusKb("VmHWM:"), static_cast<long long>(at(0.5)), static_cast<long long>(at(0.99)),
        static_cast<long long>(at(1.0)), static_cast<long long>(worstInPump_), static_cast<long long>(worstOutside_),
        static_cast<long long>(worstCpu_), static_cast<long long>(turns_), static_cast<long long>(cancelAnswerMs_),
        static_cast<long long>(cancelEndMs_));
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrel"));
    const RunArguments run = parseArguments(QCoreApplication::arguments());

    // Started as the program starts.
    tavrel::Audiotool window({run.program, run.program});
    window.Form_Initialize();
    window.Form_Load();
    window.show();

    AnswerWatch watch(window);
    QTimer::singleShot(0, &window, [&] {
        window.Combo1->setCurrentText(run.format);
        window.Combo1_Click();
        window.Text1->setText(run.out);
        for (const QString& file : run.files)
            window.AddFileToList(file);
        if (run.cancelAfter >= 0) {
            QTimer::singleShot(int(run.cancelAfter * 1000), &window, [&] {
                watch.cancelClicked();
                postClick(window.Command4);
            });
        }
        watch.start();
        window.Command3->click();
        watch.runEnded();
        QCoreApplication::quit();
    });
    const int rc = app.exec();
    watch.print();
    return rc;
}
