#pragma once

// Looking into the real main window from widget tests: its log, its timer, its controls.

#include <ostream>
#include <string_view>

#include <QString>
#include <QStringList>

class QWidget;
class TRS232C;

// Readable failure messages for Qt's strings.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& lines, std::ostream* out) {
    *out << "{ ";
    for (const QString& line : lines) *out << '"' << line.toStdString() << "\" ";
    *out << '}';
}

namespace tavrin::test {

// The message log, newest line first; empty when the log is.
QStringList logLines(const TRS232C& window);
QString topLogLine(const TRS232C& window);

// A logged command's line: the text padded to column 26, the time stamp (FixedClock's by
// default) and five blanks.
QString commandLine(std::string_view text, std::string_view time = "09:05:30");

// Stops the 20 ms timer, so that a test runs the receive ticks itself with tick().
void stopTicks(TRS232C& window);
void tick(TRS232C& window, int count = 1);

// Shows the window and waits until it is the active window, so that shortcuts reach it.
bool showActive(QWidget& window);

}  // namespace tavrin::test
