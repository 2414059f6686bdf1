// TAVRIN Controller: the remote control and preset editor for a TAVRIN recorder on a COM port.

#include <exception>

#include <QApplication>
#include <QMessageBox>

#include "editor/preset_menu.h"
#include "link/serial_port.h"
#include "link/views.h"
#include "main/rs232c_window.h"
#include "main/version_form.h"

namespace {

int run() {
    // The windows in their order: main window, preset editor, About box; the last two hidden.
    tavrin::link::SerialPort port;
    tavrin::link::SystemClock clock;
    TRS232C mainWindow(port, clock);
    TPresetMenu presetMenu(mainWindow.presetEditor(), &mainWindow);
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
