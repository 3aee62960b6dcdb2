// Measures the window's responsiveness with the real engine and skin:
//   add      time per file to add a folder of short clips through DoAddFolder
//   batch    UI-thread CPU while a batch converts, the gap between rows, and
//            how long "stop" takes
//   preview  first frame after "play", first frame after letting go of the
//            bar, and how long "timestop" takes
// Usage: tevarro_app_bench SKIN_DIR CLIPS_DIR BATCH_DIR PREVIEW_CLIP
#include "app/dir/dir.h"
#include "app/main_window.h"
#include "convert/hint.h"
#include "engines/skin/skin_engine.h"
#include "engines/video/ffmpeg_video_engine.h"
#include "preview/preview.h"
#include "harness.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace tevarro;

namespace {

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

struct Window : testing::WindowRig<SkinEngine, FfmpegVideoEngine> {
    QTemporaryDir settings;

    explicit Window(const QString& skinDir) { Open({skinDir, settings.filePath(QStringLiteral("quillmoor.ini"))}); }

    void WaitFor(const std::function<bool()>& done, int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
};

void BenchAdd(const QString& skinDir, const QString& clips)
{
    std::vector<double> perFile;
    int rows = 0;
    for (int run = 0; run < 3; ++run) {
        Window w(skinDir);
        w.prompter.folder = clips;
        QElapsedTimer clock;
        clock.start();
        w.window->DoAddFolder();
        rows = w.window->Jobs().RowCount();
        perFile.push_back(clock.nsecsElapsed() / 1e6 / std::max(rows, 1));
    }
    std::printf("add: %d files, median %.2f ms per file (target <= 20 ms)\n", rows, Median(perFile));
}

void BenchBatch(const QString& skinDir, const QString& sources)
{
    Window w(skinDir);
    QTemporaryDir out;
    w.window->ed_output()->setText(out.path());
    w.prompter.folder = sources;
    w.window->DoAddFolder();

    // Gaps between one row's completion and the next row's first progress
    // report: an upper bound of the time the batch takes to start a row.
    std::vector<double> gaps;
    QElapsedTimer sinceComplete;
    QObject::connect(&w.engine, &VideoEngine::OnComplete, w.window.get(), [&] { sinceComplete.start(); });
    QObject::connect(&w.engine, &VideoEngine::OnProcessing, w.window.get(), [&](double, double) {
        if (sinceComplete.isValid()) {
            gaps.push_back(sinceComplete.nsecsElapsed() / 1e6);
            sinceComplete.invalidate();
        }
    });

    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = ThreadCpuSeconds();
    w.window->DoConvert();
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    const double seconds = wall.nsecsElapsed() / 1e9;
    std::printf("batch: %d rows in %.2f s, UI thread CPU %.2f s = %.1f%% of a core (target <= 5%%)\n",
                w.window->Jobs().RowCount(), seconds, cpu, 100.0 * cpu / seconds);
    if (!gaps.empty())
        std::printf("batch: between rows, median %.1f ms, worst %.1f ms (first progress report after "
                    "the previous completion; target <= 100 ms)\n",
                    Median(gaps), *std::max_element(gaps.begin(), gaps.end()));

    // "stop" while a row converts.
    std::vector<double> stops;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer took;
        QMetaObject::Connection once;
        once = QObject::connect(&w.engine, &VideoEngine::OnProcessing, w.window.get(), [&](double position, double) {
            if (position > 0.5 && w.window->State().Converting) {
                QObject::disconnect(once);
                took.start();
                w.window->DoStopConvert();
                stops.push_back(took.nsecsElapsed() / 1e6);
            }
        });
        w.window->DoConvert();
    }
    std::printf("batch: stop took median %.1f ms (target <= 500 ms)\n", Median(stops));
}

void BenchPreview(const QString& skinDir, const QString& clip)
{
    Window w(skinDir);
    w.prompter.files = QStringList{clip};
    w.window->DoAddFiles();
    bool framed = false;
    QObject::connect(&w.engine, &VideoEngine::OnPreviewFrame, w.window.get(), [&](const QImage&) { framed = true; });
    ISkinObject* bar = w.skin.GetSkinForm(w.window.get())->FindObject(QStringLiteral("bar"));
    auto* barPosition = QueryInterface<ISkinScrollBar>(bar);

    std::vector<double> first;
    std::vector<double> seek;
    std::vector<double> stop;
    for (int run = 0; run < 5; ++run) {
        barPosition->SetPosition(0);
        framed = false;
        QElapsedTimer clock;
        clock.start();
        w.window->DoPlay();
        w.WaitFor([&] { return framed; }, 3000);
        first.push_back(clock.nsecsElapsed() / 1e6);
        w.WaitFor([] { return false; }, 300);

        w.window->Previewer().Skin1MouseDown(bar);
        barPosition->SetPosition(2000 + 1500 * run);
        framed = false;
        clock.restart();
        w.window->Previewer().Skin1MouseUp(bar);
        w.WaitFor([&] { return framed; }, 3000);
        seek.push_back(clock.nsecsElapsed() / 1e6);
        w.WaitFor([] { return false; }, 300);

        clock.restart();
        w.window->DoStopPlay();
        stop.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("preview: first frame after play, median %.1f ms (target <= 300 ms)\n", Median(first));
    std::printf("preview: first frame after letting go of the bar, median %.1f ms (target <= 300 ms)\n",
                Median(seek));
    std::printf("preview: timestop took median %.1f ms\n", Median(stop));
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s SKIN_DIR CLIPS_DIR BATCH_DIR PREVIEW_CLIP\n", argv[0]);
        return 2;
    }
    const QString skinDir = QString::fromLocal8Bit(argv[1]);
    BenchAdd(skinDir, QString::fromLocal8Bit(argv[2]));
    BenchBatch(skinDir, QString::fromLocal8Bit(argv[3]));
    BenchPreview(skinDir, QString::fromLocal8Bit(argv[4]));
    return 0;
}
