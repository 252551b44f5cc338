// The main window with a list of 10^6 lines: the timer tick, and loading,
// converting and showing the list.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <fstream>
#include <memory>

#include "Application.h"
#include "Memo.h"
#include "ListGenerator.h"
#include "unMain.h"

namespace {

QString g_listFile;

long PeakMemoryKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmHWM:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 10, '\n');
    }
    return 0;
}

void BM_TimerTickWithMillionLines(benchmark::State& state) {
    QTemporaryDir settings;
    orvane::ui::TfmMain window(settings.filePath(QStringLiteral("orvane.ini")));
    window.show();
    window.LoadInputFile(g_listFile);
    for (auto _ : state) window.TimerTimer();
}
BENCHMARK(BM_TimerTickWithMillionLines)->Unit(benchmark::kMicrosecond);


// Load, convert and show are timed one by one; making and closing the
// window are left out.
void BM_LoadConvertShowMillionLines(benchmark::State& state) {
    for (auto _ : state) {
        QTemporaryDir settings;
        orvane::ui::TfmMain window(settings.filePath(QStringLiteral("orvane.ini")));
        window.show();
        window.SetTransformType(1);
        QApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        window.LoadInputFile(g_listFile);
        QApplication::processEvents();  // the input box lays out and paints its first screen
        const qint64 load = clock.restart();
        window.btnTransformClick();
        const qint64 convert = clock.restart();
        QApplication::processEvents();  // the output box lays out and paints its first screen
        const qint64 show = clock.elapsed();
        benchmark::DoNotOptimize(window.findChild<orvane::ui::TMemo*>(QStringLiteral("memOutput"))->blockCount());
        state.SetIterationTime(static_cast<double>(load + convert + show) / 1000.0);
        state.counters["load_ms"] = static_cast<double>(load);
        state.counters["convert_ms"] = static_cast<double>(convert);
        state.counters["show_ms"] = static_cast<double>(show);
    }
    state.counters["peak_MiB"] = static_cast<double>(PeakMemoryKiB()) / 1024.0;
}
BENCHMARK(BM_LoadConvertShowMillionLines)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

// Runs last: its long lines would otherwise raise the peak memory reported above.
// One line of 32 Mi characters in each box: a tick must not depend on line length.
void BM_TimerTickWithLongLine(benchmark::State& state) {
    QTemporaryDir settings;
    orvane::ui::TfmMain window(settings.filePath(QStringLiteral("orvane.ini")));
    window.show();
    const QString line(32 << 20, QLatin1Char('x'));
    window.findChild<orvane::ui::TMemo*>(QStringLiteral("memInput"))->setPlainText(line);
    window.findChild<orvane::ui::TMemo*>(QStringLiteral("memOutput"))->setPlainText(line);
    for (auto _ : state) window.TimerTimer();
}
BENCHMARK(BM_TimerTickWithLongLine)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    orvane::ui::TApplication app(argc, argv);
    QTemporaryDir dir;
    g_listFile = dir.filePath(QStringLiteral("list.txt"));
    {
        std::ofstream out(g_listFile.toStdString(), std::ios::binary);
        for (const auto& line : orvane::bench::GenerateList(1000000)) out << line << "\r\n";
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
