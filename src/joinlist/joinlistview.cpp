#include "joinlist/joinlistview.h"

#include "platform/filenamebytes.h"

#include <QCursor>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>
#include <QUuid>

#include <algorithm>

namespace {

const QString kRowFormat = QStringLiteral("application/x-vantorel-join-row");
// The line's thickness, and the reach of the marks at its two ends.
constexpr int kLineWidth = 2;
constexpr qreal kMarkReach = 5;

// A file manager may offer to move the files; the list only reads them.
Qt::DropAction fileAction(Qt::DropActions offered)
{
    if (offered & Qt::CopyAction)
        return Qt::CopyAction;
    if (offered & Qt::LinkAction)
        return Qt::LinkAction;
    return Qt::IgnoreAction;
}

}  // namespace

JoinListView::JoinListView(QWidget *parent)
    : QTreeWidget(parent), m_dragToken(QUuid::createUuid().toByteArray(QUuid::WithoutBraces))
{
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    // The line drawn here stands in for Qt's own indicator.
    setDropIndicatorShown(false);
}

QMimeData *JoinListView::rowDragData(int row) const
{
    auto *mime = new QMimeData;
    mime->setData(kRowFormat, m_dragToken + ' ' + QByteArray::number(row));
    return mime;
}

JoinListView::Dragged JoinListView::read(const QMimeData *mime) const
{
    Dragged dragged;
    if (!mime)
        return dragged;
    if (mime->hasFormat(kRowFormat)) {
        const QList<QByteArray> parts = mime->data(kRowFormat).split(' ');
        bool isNumber = false;
        const int row =
            parts.size() == 2 && parts[0] == m_dragToken ? parts[1].toInt(&isNumber) : -1;
        if (isNumber && row >= 0 && row < topLevelItemCount())
            dragged.row = row;
        return dragged;
    }
    const QList<QUrl> urls = mime->urls();
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        if (FileNameBytes::reachable(url))
            dragged.paths << url.toLocalFile();
        else
            dragged.unreachable << url.toLocalFile();
    }
    return dragged;
}

bool JoinListView::welcome(const Dragged &dragged) const
{
    if (dragged.row >= 0)
        return !m_gate.acceptMove || m_gate.acceptMove();
    if (!dragged.paths.isEmpty() || !dragged.unreachable.isEmpty())
        return !m_gate.acceptPaths || m_gate.acceptPaths(dragged.paths);
    return false;
}

bool JoinListView::follow(QDropEvent *event, const Dragged &dragged)
{
    const Qt::DropAction action =
        dragged.row >= 0 ? Qt::MoveAction : fileAction(event->possibleActions());
    if (action == Qt::IgnoreAction || !welcome(dragged)) {
        event->ignore();
        setDropPlace(-1);
        return false;
    }
    event->setDropAction(action);
    event->accept();
    // Admission always appends, so files land at the end wherever they are let go.
    setDropPlace(dragged.row >= 0 ? placeAt(event->position().toPoint().y()) : topLevelItemCount());
    return true;
}

int JoinListView::placeAt(int y) const
{
    // Any x inside the first column: only the height says which row it is.
    QTreeWidgetItem *item = itemAt(QPoint(header()->sectionViewportPosition(0), y));
    if (!item)
        return topLevelItemCount();
    const QRect rect = visualItemRect(item);
    const int row = indexOfTopLevelItem(item);
    return y < rect.top() + rect.height() / 2 ? row : row + 1;
}

void JoinListView::setDropPlace(int place)
{
    if (place == m_dropPlace)
        return;
    m_dropPlace = place;
    viewport()->update();
}

void JoinListView::startDrag(Qt::DropActions /*supportedActions*/)
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    if (selected.isEmpty() || (m_gate.acceptMove && !m_gate.acceptMove()))
        return;
    QTreeWidgetItem *item = selected.first();
    const QRect rect = visualItemRect(item);
    // Qt's own drag would remove the row once moved, past the list's values.
    auto *drag = new QDrag(this);
    drag->setMimeData(rowDragData(indexOfTopLevelItem(item)));
    drag->setPixmap(viewport()->grab(rect));
    drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()) - rect.topLeft());
    drag->exec(Qt::MoveAction);
}

void JoinListView::dragEnterEvent(QDragEnterEvent *event)
{
    follow(event, read(event->mimeData()));
}

void JoinListView::dragMoveEvent(QDragMoveEvent *event)
{
    const Dragged dragged = read(event->mimeData());
    if (!follow(event, dragged) || dragged.row < 0 || !hasAutoScroll())
        return;
    // Near the top or bottom edge the list scrolls, to reach rows out of sight.
    const int y = event->position().toPoint().y();
    const int margin = autoScrollMargin();
    if (y < margin || y > viewport()->height() - margin)
        startAutoScroll();
}

void JoinListView::dragLeaveEvent(QDragLeaveEvent * /*event*/)
{
    stopAutoScroll();
    setDropPlace(-1);
}

void JoinListView::dropEvent(QDropEvent *event)
{
    stopAutoScroll();
    const Dragged dragged = read(event->mimeData());
    const bool taken = follow(event, dragged);
    const int place = m_dropPlace;
    setDropPlace(-1);
    if (!taken)
        return;
    if (dragged.row < 0) {
        emit pathsDropped(dragged.paths, dragged.unreachable);
        return;
    }
    // The line above or below the row itself leaves it where it is.
    const int to = place > dragged.row ? place - 1 : place;
    if (to != dragged.row)
        emit rowMoveRequested(dragged.row, to);
}

int JoinListView::lineY() const
{
    const int rows = topLevelItemCount();
    if (rows == 0)
        return 0;
    if (m_dropPlace < rows)
        return visualItemRect(topLevelItem(m_dropPlace)).top();
    // Wholly below the last row, clear of its selection.
    return visualItemRect(topLevelItem(rows - 1)).bottom() + 1 + kLineWidth / 2;
}

void JoinListView::paintEvent(QPaintEvent *event)
{
    QTreeWidget::paintEvent(event);
    if (m_dropPlace < 0)
        return;
    // The list's selection colour, so the line belongs to the skin's look; a
    // place out of sight keeps the line at the edge it lies beyond.
    const QColor colour = palette().color(QPalette::Highlight);
    const int width = viewport()->width();
    const int y = std::clamp(lineY(), kLineWidth / 2, viewport()->height() - kLineWidth / 2);
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRect(0, y - kLineWidth / 2, width, kLineWidth), colour);
    // A mark at each end pointing inward, as a line alone can pass for a grid line.
    QPainterPath marks;
    marks.moveTo(0, y - kMarkReach);
    marks.lineTo(kMarkReach, y);
    marks.lineTo(0, y + kMarkReach);
    marks.closeSubpath();
    marks.moveTo(width, y - kMarkReach);
    marks.lineTo(width - kMarkReach, y);
    marks.lineTo(width, y + kMarkReach);
    marks.closeSubpath();
    painter.fillPath(marks, colour);
}
