#include "app/shell/toolbaricon.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

namespace dq {

namespace {

constexpr double kDisabledOpacity = 0.3;

// Every visible pixel grey and, on average, light: a picture meant to be tinted.
bool isPaleGrey(const QImage &image)
{
    qint64 sum = 0;
    qint64 count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() < 32)
                continue;
            if (qAbs(c.red() - c.green()) > 12 || qAbs(c.green() - c.blue()) > 12)
                return false;
            sum += c.green();
            ++count;
        }
    }
    return count > 0 && sum / count > 150;
}

QImage inked(const QImage &image, const QColor &ink)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            QColor c = ink;
            c.setAlpha(out.pixelColor(x, y).alpha());
            out.setPixelColor(x, y, c);
        }
    }
    return out;
}

QPixmap faded(const QPixmap &pixmap)
{
    QPixmap out(pixmap.size());
    out.setDevicePixelRatio(pixmap.devicePixelRatio());
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setOpacity(kDisabledOpacity);
    painter.drawPixmap(0, 0, pixmap);
    return out;
}

} // namespace

QIcon ToolbarIcon::withDisabledLook(const QIcon &icon, const QColor &ink)
{
    if (icon.isNull())
        return icon;
    QIcon out;
    for (const int side : { 16, 20, 22, 24, 32, 48 }) {
        for (const QIcon::State state : { QIcon::Off, QIcon::On }) {
            const QPixmap normal = icon.pixmap(QSize(side, side), QIcon::Normal, state);
            if (normal.isNull())
                continue;
            QImage image = normal.toImage();
            if (isPaleGrey(image))
                image = inked(image, ink);
            const QPixmap shown = QPixmap::fromImage(image);
            out.addPixmap(shown, QIcon::Normal, state);
            out.addPixmap(shown, QIcon::Active, state);
            out.addPixmap(faded(shown), QIcon::Disabled, state);
        }
    }
    return out;
}

} // namespace dq
