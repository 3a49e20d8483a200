#include "platform/svgicon.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSvgRenderer>

// The resources live in a static library: nothing else would make the linker keep them.
static void initResources() {
    Q_INIT_RESOURCE(brenvik);
}

namespace brenvik {

QIcon SvgIcon(const QString& name, const QColor& ink) {
    static const bool initialised = (initResources(), true);
    Q_UNUSED(initialised);
    QFile file(QStringLiteral(":/icons/") + name + QStringLiteral(".svg"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QByteArray svg = file.readAll();
    const QColor colour =
        ink.isValid() ? ink : QGuiApplication::palette().color(QPalette::WindowText);
    svg.replace("currentColor", colour.name(QColor::HexRgb).toLatin1());
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) return {};
    QIcon icon;
    // Rendered ahead at the usual sizes and at twice them for high-density screens; the
    // style derives the disabled look from these.
    for (int size : {16, 20, 22, 24, 32, 48, 64, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QIcon ProgramIcon() {
    return SvgIcon(QStringLiteral("brenvik"));
}

} // namespace brenvik
