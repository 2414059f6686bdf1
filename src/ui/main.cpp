// TAVRIN Controller: the remote control and preset editor for a TAVRIN recorder on a COM port.

#include <exception>

#include <QApplication>
#include <QMessageBox>

#include "app/core.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "ui/preset_menu.h"
#include "ui/rs232c_window.h"
#include "ui/version_form.h"

namespace {

int run() {
    tavrin::platform::SerialPort port;
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
    QApplication app(argc, argv);
    QApplication::setApplicationName("TAVRIN Controller");
    try {
        return run();
    } catch (const std::exception& error) {
        // Nothing in the program throws on purpose; whatever escapes is shown, not lost.
        QMessageBox::critical(nullptr, QApplication::applicationName(), QString::fromLocal8Bit(error.what()));
        return 0;
    }
}
