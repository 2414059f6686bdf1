#include "support/gui/main_window_probe.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include "ui/rs232c_window.h"

namespace tavrin::test {

QStringList logLines(const TRS232C& window) {
    const auto* log = window.findChild<const QPlainTextEdit*>("MessageDisp");
    if (!log || log->document()->isEmpty()) return {};
    return log->toPlainText().split(QChar('\n'));
}

QString topLogLine(const TRS232C& window) {
    const QStringList lines = logLines(window);
    return lines.isEmpty() ? QString() : lines.front();
}

QString commandLine(std::string_view text, std::string_view time) {
    constexpr qsizetype kTimeColumn = 26;
    QString line = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    line = line.leftJustified(kTimeColumn, QChar(' '));
    return line + QString::fromLatin1(time.data(), static_cast<qsizetype>(time.size())) +
           QString(5, QChar(' '));
}

void stopTicks(TRS232C& window) {
    if (auto* timer = window.findChild<QTimer*>("RxTimer")) timer->stop();
}

void tick(TRS232C& window, int count) {
    for (int i = 0; i < count; ++i) window.core().tick();
}

bool showActive(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

}  // namespace tavrin::test
