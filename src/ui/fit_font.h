#pragma once

class QString;
class QWidget;

// Gives the widget the largest font, up to `pixels`, at which `sample` fits into width by
// height: the host's faces are often wider than the ones the windows were laid out with.
void fitFont(QWidget* widget, int pixels, const QString& sample, int width, int height, bool bold = false);

// The same for a sample that has to fit the widget's own box, less a frame and padding.
void fitFontToBox(QWidget* widget, int pixels, const QString& sample, bool bold = false);
