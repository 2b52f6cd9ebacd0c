// The dialog's progress hand-off: what a job costs when every block waits for
// the dialog's thread to step the bar, against the same job without progress
// reports and against the bare hand-offs alone.
//
// The main thread runs the Qt event loop with a progress bar and the relay
// the dialog uses; a worker thread runs, in turn and repeatedly:
//   headless  the job with no progress receiver,
//   dialog    the same job reporting through the relay, whose waiting
//             thread computes pieces of the job as the dialog's does,
//   bare      as many relay reports as the job sends, with no job.
// It prints the median and min-max of each and checks
// dialog <= headless + 1.1 x bare.
//
// Usage: bench_handoff [rounds]   (QT_QPA_PLATFORM defaults to offscreen)
#include <QApplication>
#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine.h"
#include "progress_bar.h"
#include "progress_relay.h"

namespace {

using Clock = std::chrono::steady_clock;

// The largest 16-bit tone: 22500 generator blocks, 22502 reports.
constexpr double kSeconds = 120.0;
constexpr uint32_t kRate = 96000;
constexpr int kReports = 22502;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Figures {
    std::vector<double> headless, dialog, bare;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void print(const char* name, const std::vector<double>& v)
{
    std::printf("%-9s median %8.1f ms   min-max %8.1f - %8.1f ms\n", name, median(v) * 1e3,
                *std::min_element(v.begin(), v.end()) * 1e3, *std::max_element(v.begin(), v.end()) * 1e3);
}

double renderOnce(const std::string& path, ProgressNotifier* notifier)
{
    createEngine(notifier, false);
    setEngineSampleRate(kRate);
    const auto start = Clock::now();
    renderSine(path.c_str(), 1000.0, kSeconds, 3, 16);
    const double t = secondsSince(start);
    shutdownEngine();
    return t;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const char* dir = std::getenv("VELTRANE_BENCH_DIR");
    const std::string path = std::string(dir ? dir : "/tmp") + "/veltrane-handoff-" +
                             std::to_string(::getpid()) + ".wav";

    ProgressBar bar;
    bar.setMaximumPosition(kReports);
    bar.show();
    ProgressRelay relay(&bar);
    relay.setIdleWork(helpRenderJob);  // as the dialog does
    relay.setReporterWork(workAheadOfReport);
    if (!relay.isValid()) {
        std::fprintf(stderr, "the relay could not be set up\n");
        return 2;
    }

    Figures f;
    std::thread worker([&] {
        for (int round = 0; round < rounds; ++round) {
            f.headless.push_back(renderOnce(path, nullptr));
            QMetaObject::invokeMethod(&bar, [&bar] { bar.setPosition(0); }, Qt::BlockingQueuedConnection);
            f.dialog.push_back(renderOnce(path, &relay));
            QMetaObject::invokeMethod(&bar, [&bar] { bar.setPosition(0); }, Qt::BlockingQueuedConnection);
            const auto start = Clock::now();
            for (int i = 0; i < kReports; ++i)
                relay.blockRendered();
            f.bare.push_back(secondsSince(start));
        }
        QMetaObject::invokeMethod(&app, &QApplication::quit, Qt::QueuedConnection);
    });
    app.exec();
    worker.join();
    std::filesystem::remove(path);

    std::printf("%d rounds, 120 s 1000 Hz 16-bit tone at 96000 Hz, %d progress reports per job\n", rounds,
                kReports);
    print("headless", f.headless);
    print("dialog", f.dialog);
    print("bare", f.bare);
    const double allowed = median(f.headless) + 1.1 * median(f.bare);
    std::printf("hand-off per report %.1f us; dialog %.1f ms against headless + 1.1 x bare = %.1f ms: %s\n",
                median(f.bare) / kReports * 1e6, median(f.dialog) * 1e3, allowed * 1e3,
                median(f.dialog) <= allowed ? "within" : "over");
    return 0;
}
