#include "ui/fit_font.h"

#include <QFontMetrics>
#include <QString>
#include <QWidget>

void fitFont(QWidget* widget, int pixels, const QString& sample, int width, int height, bool bold) {
    constexpr int kSmallest = 7;
    QFont font = widget->font();
    font.setBold(bold);
    int size = pixels;
    for (; size > kSmallest; --size) {
        font.setPixelSize(size);
        const QFontMetrics metrics(font);
        if (metrics.horizontalAdvance(sample) <= width && metrics.height() <= height) break;
    }
    font.setPixelSize(size);
    widget->setFont(font);
}

void fitFontToBox(QWidget* widget, int pixels, const QString& sample, bool bold) {
    constexpr int kMargin = 6;
    fitFont(widget, pixels, sample, widget->width() - kMargin, widget->height() + kMargin, bold);
}
