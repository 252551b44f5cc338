// The main window with a list of 10^6 lines: the timer tick, and loading,
// converting and showing the list.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <fstream>
#include <memory>
#include <string>

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

// Each iteration types one key at the end of the box, laid out and painted.
void TimeKeysAtEnd(benchmark::State& state, orvane::ui::TMemo* input) {
    input->setFocus();
    input->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
    QApplication::processEvents();
    QElapsedTimer clock;
    for (auto _ : state) {
        clock.restart();
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Z, Qt::ShiftModifier, QStringLiteral("Z"));
        QApplication::sendEvent(input, &key);
        input->repaint();
        QApplication::processEvents();
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
}

void BM_TimerTickWithMillionLines(benchmark::State& state) {
    QTemporaryDir settings;
    orvane::ui::TfmMain window(settings.filePath(QStringLiteral("orvane.ini")));
    window.show();
    window.LoadInputFile(g_listFile);
    for (auto _ : state) window.TimerTimer();
}
BENCHMARK(BM_TimerTickWithMillionLines)->Unit(benchmark::kMicrosecond);

// A key at the end of the million-line list: nothing on the way may walk
// the text from its start.
void BM_KeyAtEndOfMillionLines(benchmark::State& state) {
    QTemporaryDir settings;
    orvane::ui::TfmMain window(settings.filePath(QStringLiteral("orvane.ini")));
    window.show();
    window.LoadInputFile(g_listFile);
    QApplication::processEvents();
    auto* input = window.findChild<orvane::ui::TMemo*>(QStringLiteral("memInput"));
    TimeKeysAtEnd(state, input);
}
BENCHMARK(BM_KeyAtEndOfMillionLines)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();


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
        benchmark::DoNotOptimize(window.findChild<orvane::ui::TMemo*>(QStringLiteral("memOutput"))->lines());
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
    const std::string line(32 << 20, 'x');
    window.findChild<orvane::ui::TMemo*>(QStringLiteral("memInput"))->SetUtf8Text(line);
    window.findChild<orvane::ui::TMemo*>(QStringLiteral("memOutput"))->SetUtf8Text(line);
    for (auto _ : state) window.TimerTimer();
}
BENCHMARK(BM_TimerTickWithLongLine)->Unit(benchmark::kMicrosecond);

// 20 million blanks before one network: the tick's question about visible
// text must not walk them.
void BM_TimerTickWithLeadingBlanks(benchmark::State& state) {
    QTemporaryDir settings;
    orvane::ui::TfmMain window(settings.filePath(QStringLiteral("orvane.ini")));
    window.show();
    window.findChild<orvane::ui::TMemo*>(QStringLiteral("memInput"))
        ->SetUtf8Text(std::string(20000000, ' ') + "\n10.0.0.0/8\n");
    for (auto _ : state) window.TimerTimer();
}
BENCHMARK(BM_TimerTickWithLeadingBlanks)->Unit(benchmark::kMicrosecond);

// One line of networks separated by blanks, state.range(0) Mi characters
// long: loading it, and one key typed at its end, laid out and painted. The
// networks are 65,536 /24s over and over, or (state.range(1) = 1) addresses
// that never repeat; or (state.range(1) = 2) the line is 20,000,000 blanks
// and one network. A line wider than TMemo::kWidestShownLine spaces is shown cut.
void BM_KeyAtEndOfLongLine(benchmark::State& state) {
    const std::size_t length = static_cast<std::size_t>(state.range(0)) << 20;
    const bool distinct = state.range(1) == 1;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("line.txt"));
    if (state.range(1) == 2) {
        std::ofstream(file.toStdString(), std::ios::binary) << std::string(20000000, ' ') << "10.0.0.0 / 8";
    } else {
        std::string line;
        line.reserve(length + 16);
        for (unsigned n = 0; line.size() < length; ++n) {
            const unsigned a = distinct ? n * 2654435761u : 10u << 24 | (n & 0xFFFF) << 8;
            for (int shift = 24; shift >= 0; shift -= 8) line += std::to_string(a >> shift & 255) + (shift ? "." : "");
            line += distinct ? " " : "/24 ";
        }
        line.resize(length);
        std::ofstream(file.toStdString(), std::ios::binary) << line;
    }
    orvane::ui::TfmMain window(dir.filePath(QStringLiteral("orvane.ini")));
    window.show();
    QApplication::processEvents();
    auto* input = window.findChild<orvane::ui::TMemo*>(QStringLiteral("memInput"));
    QElapsedTimer clock;
    clock.start();
    window.LoadInputFile(file);
    QApplication::processEvents();
    state.counters["load_ms"] = static_cast<double>(clock.elapsed());
    TimeKeysAtEnd(state, input);
    // A line shown cut takes no key but one that replaces the whole text, and
    // undoing that brings it back.
    auto press = [&](int key, Qt::KeyboardModifiers modifiers, const QString& text) {
        clock.restart();
        QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(input, &event);
        input->repaint();
        QApplication::processEvents();
        return static_cast<double>(clock.elapsed());
    };
    input->selectAll(true);
    state.counters["replace_ms"] = press(Qt::Key_Z, Qt::ShiftModifier, QStringLiteral("Z"));
    state.counters["undo_ms"] = press(Qt::Key_Z, Qt::ControlModifier, QString());
}
BENCHMARK(BM_KeyAtEndOfLongLine)
    ->ArgsProduct({{1, 4, 9, 32}, {0}})
    ->ArgsProduct({{4, 9, 32}, {1}})
    ->Args({19, 2})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseManualTime();

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
