#pragma once

#include <QEvent>
#include <QPoint>

class QMimeData;
class QWidget;

// Sends one step of a drag (DragEnter, DragMove or Drop) to a widget, as a
// drag from a file manager or a row would reach it, and returns the action the
// widget took it with, or Qt::IgnoreAction when it refused. Qt hands the later
// steps only to a widget that took the enter, and a drag once taken is to end
// with a Drop, which clears Qt's drop target.
Qt::DropAction dragStep(QWidget &target, QEvent::Type type, const QMimeData &mime, QPoint at,
                        Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction);
