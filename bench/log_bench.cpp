// tavrin-log-bench: how long the main window takes to put one line at the top of a full message
// log (10,000 lines, the most it keeps), under the offscreen platform. Prints
// "name<TAB>value" lines for scripts/bench.sh.

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/core.h"
#include "support/fakes.h"
#include "ui/rs232c_window.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tavrin::test::FakePort port;
    tavrin::test::FixedClock clock;
    tavrin::app::Core core(port, clock);
    TRS232C window(core);
    window.show();
    for (int i = 0; i < 10'000; ++i) window.insertLine("<-@0STPLc");

    constexpr int kInserts = 2'000;
    std::vector<double> microseconds;
    QElapsedTimer timer;
    for (int i = 0; i < kInserts; ++i) {
        timer.start();
        window.insertLine("->@02353 (Play)           09:05:30     ");
        QCoreApplication::processEvents();  // the repaint of the visible lines counts too
        microseconds.push_back(static_cast<double>(timer.nsecsElapsed()) / 1000.0);
    }
    std::sort(microseconds.begin(), microseconds.end());
    std::printf("log_insert_us_median\t%.0f\n", microseconds[microseconds.size() / 2]);
    std::printf("log_insert_us_p99\t%.0f\n", microseconds[microseconds.size() * 99 / 100]);
    return 0;
}
