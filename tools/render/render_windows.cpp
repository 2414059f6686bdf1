// Draws docs/main-window.png (and the scenes other files add) from the real windows under the
// offscreen platform. The recorder's side is played by a quiet port that takes every write and
// hands back canned replies; the log lines come from real button presses.

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>

#include "app/core.h"
#include "support/fakes.h"
#include "ui/rs232c_window.h"
#include "render.h"

namespace tavrin::render {

namespace {

std::vector<std::pair<const char*, Scene>>& scenes() {
    static std::vector<std::pair<const char*, Scene>> list;
    return list;
}

void press(TRS232C& window, const char* button) {
    if (auto* b = window.findChild<QAbstractButton*>(button)) b->click();
}

// A short session: start-up, the recorder reports Stop and the track-time mode, the operator
// presses Play and the recorder starts playing track 3.
void playSession(TRS232C& window, test::FakePort& port, test::FixedClock& clock) {
    port.receive("@0STST\r");
    runTicks(100);
    port.receive("@0TMTT\r");
    runTicks(100);
    clock.time = {10, 24, 41};
    press(window, "PlayKey");
    port.receive("\x06");
    runTicks(60);
    port.receive("@0STPL\r");
    runTicks(60);
    port.receive("@0TR003\r");
    runTicks(60);
    port.receive("@0TI0001234\r");
    runTicks(60);
    clock.time = {10, 24, 44};
    press(window, "DispTime");
    runTicks(60);
}

bool save(const QPixmap& picture, const QDir& folder, const char* fileName) {
    const QString path = folder.filePath(QString::fromUtf8(fileName));
    if (picture.isNull() || !picture.save(path, "PNG")) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("wrote %s\n", qPrintable(path));
    return true;
}

}  // namespace

SceneRegistration::SceneRegistration(const char* fileName, Scene scene) {
    scenes().emplace_back(fileName, scene);
}

void runTicks(int milliseconds) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace tavrin::render

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs"));
    if (!folder.exists() && !QDir().mkpath(folder.path())) return 1;

    using namespace tavrin::render;
    tavrin::test::FakePort port;  // takes every write and lets the ticks read what the session queues
    tavrin::test::FixedClock clock;
    clock.time = {10, 24, 36};
    tavrin::app::Core core(port, clock);
    TRS232C window(core);
    window.show();
    runTicks(60);
    playSession(window, port, clock);

    bool ok = save(window.grab(), folder, "main-window.png");
    for (const auto& [fileName, scene] : scenes()) ok = save(scene(window), folder, fileName) && ok;
    return ok ? 0 : 1;
}
