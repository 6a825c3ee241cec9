#include "canvas/allobjects.h"

#include "canvas/drawobject.h"

#include <QCoreApplication>

namespace tolvane {

std::vector<AllObjects::LeftOut> AllObjects::prepare(const QString &directory, const ObjectTable &objects)
{
    m_objects.clear();
    std::vector<LeftOut> leftOut;
    for (int i = 1; i < objects.count(); ++i) {
        Buffers buffers{i, std::make_unique<PictureSurface>(), std::make_unique<PictureSurface>()};
        if (Status s = prepareObjectBuffers(directory, objects.directory[size_t(i)], *buffers.image, *buffers.mask); !s)
            leftOut.push_back({i, s});
        else
            m_objects.push_back(std::move(buffers));
    }
    return leftOut;
}

void AllObjects::drawOne(PictureSurface &target, const ObjectTable &objects, const Buffers &object) const
{
    // A table loaded since may hold fewer entries: never read past its end.
    if (object.index < objects.count())
        DrawObject(*object.image, *object.mask, target, objectTopLeft(objects.headers[size_t(object.index)]),
                   ObjectDrawing::ThroughMask);
}

void AllObjects::drawOthers(PictureSurface &target, const ObjectTable &objects, std::optional<int> except) const
{
    for (const Buffers &object : m_objects)
        if (object.index != except)
            drawOne(target, objects, object);
}

void AllObjects::draw(PictureSurface &target, const ObjectTable &objects, std::optional<int> selected) const
{
    drawOthers(target, objects, selected);
    for (const Buffers &object : m_objects)
        if (object.index == selected)
            drawOne(target, objects, object);
}

QString AllObjects::describe(const std::vector<LeftOut> &leftOut)
{
    if (leftOut.empty())
        return QString();
    QStringList named;
    for (const LeftOut &object : leftOut)
        named.append(QCoreApplication::translate("AllObjects", "object %1: %2")
                         .arg(QString::number(object.index), object.status.message()));
    return QCoreApplication::translate("AllObjects", "Left out, as their bitmaps cannot be read: %1")
        .arg(named.join(QStringLiteral(" ")));
}

} // namespace tolvane
