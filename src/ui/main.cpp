// TAVRIN Controller: the remote control and preset editor for a TAVRIN recorder on a COM port.

#include <exception>
#include <iostream>
#include <optional>
#include <span>
#include <string_view>

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QSocketNotifier>

#include "app/core.h"
#include "platform/clock.h"
#include "platform/any_port.h"
#include "platform/termination.h"
#include "ui/preset_menu.h"
#include "ui/rs232c_window.h"
#include "ui/version_form.h"

namespace {

constexpr char kUsage[] =
    "Usage: tavrin-controller [--help | --version]\n"
    "The remote control and preset editor for a TAVRIN recorder on a serial port.\n"
    "It opens COM2 at start-up; COM<n> is the device named by the environment variable\n"
    "TAVRIN_COM<n>, or /dev/ttyS<n-1> when that is not set. TAVRIN_COM<n> may also name a\n"
    "serial device server on the network: tcp://HOST:PORT or rfc2217://HOST:PORT.\n"
    "\n"
    "  -h, --help   show this help and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "See tavrin-controller(1).\n";

// The program keeps no settings and takes no options but these two, not even Qt's own: they are
// looked at before the QApplication exists, so --version works without a display. The platform
// is still chosen with QT_QPA_PLATFORM. Returns the exit status when the program should not run.
std::optional<int> handleArguments(std::span<char*> args) {
    bool help = false;
    for (const std::string_view arg : args) {
        if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg != "--version") {
            std::cerr << "tavrin-controller: unknown argument '" << arg
                      << "' (see tavrin-controller --help)\n";
            return 2;
        }
    }
    if (args.empty()) return std::nullopt;
    std::cout << (help ? kUsage : "tavrin-controller " TAVRIN_VERSION "\n");
    return 0;
}

QIcon programIcon() {
    QIcon icon;
    for (const char* size : {"48", "128"}) icon.addFile(QString(":/icons/%1.png").arg(size));
    return icon;
}

int run() {
    // SIGTERM and Ctrl+C end the event loops like the close box does, so that the port is closed.
    const tavrin::platform::TerminationRequest termination;
    QSocketNotifier terminated(termination.handle(), QSocketNotifier::Read);
    QObject::connect(&terminated, &QSocketNotifier::activated, [] { QApplication::quit(); });

    tavrin::platform::AnyPort port;
    tavrin::platform::SystemClock clock;
    tavrin::app::Core core(port, clock);
    // The windows in their order: main window, preset editor, About box; the last two hidden.
    TRS232C mainWindow(core);
    TPresetMenu presetMenu(core, &mainWindow);
    TVersionForm versionForm(&mainWindow);
    mainWindow.setVersionForm(&versionForm);

    mainWindow.show();
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto status = handleArguments(std::span(argv + 1, argv + argc))) return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName("TAVRIN Controller");
    QApplication::setDesktopFileName(TAVRIN_APP_ID);
    QApplication::setWindowIcon(programIcon());
    try {
        return run();
    } catch (const std::exception& error) {
        // Nothing in the program throws on purpose; whatever escapes is shown, not lost.
        QMessageBox::critical(nullptr, QApplication::applicationName(), QString::fromLocal8Bit(error.what()));
        return 0;
    }
}
