#include "support/dragstep.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QWidget>

Qt::DropAction dragStep(QWidget &target, QEvent::Type type, const QMimeData &mime, QPoint at,
                        Qt::DropActions offered)
{
    const auto send = [&target](QDropEvent &&event) {
        QApplication::sendEvent(&target, &event);
        return event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
    };
    if (type == QEvent::DragEnter)
        return send(QDragEnterEvent(at, offered, &mime, Qt::LeftButton, Qt::NoModifier));
    if (type == QEvent::DragMove)
        return send(QDragMoveEvent(at, offered, &mime, Qt::LeftButton, Qt::NoModifier));
    return send(QDropEvent(at, offered, &mime, Qt::LeftButton, Qt::NoModifier));
}
