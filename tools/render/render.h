#pragma once

#include <QPixmap>

class TRS232C;

namespace tavrin::render {

// One picture, drawn from the real windows around the running main window.
using Scene = QPixmap (*)(TRS232C& mainWindow);

// A file of its own adds a scene with a static object:
//   static const tavrin::render::SceneRegistration scene{"preset-editor.png", &drawEditor};
// The main window's picture is drawn first, then the added scenes in link order.
struct SceneRegistration {
    SceneRegistration(const char* fileName, Scene scene);
};

// Lets the main window's timer run for a while, so its receive ticks take what the port holds.
void runTicks(int milliseconds);

}  // namespace tavrin::render
