#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTreeWidget>

#include <functional>

class QMimeData;

// The list view that shows the join list, with the two kinds of drag it takes:
// files and folders from a file manager, and one of its own rows to a new
// place. While a welcome drag is over it, a line shows where the drop lands:
// dropped files are always appended, so for them the line stands at the end of
// the list; a row lands between the rows where the line is. Whether a drag is
// welcome is the owner's question (the program may be busy), asked again at
// every step of the drag; the work a drop asks for is signalled, never done
// here, so that the list's own rules and values stay the list's.
class JoinListView : public QTreeWidget {
    Q_OBJECT
public:
    struct DropGate {
        // Local files and folders, in the order dragged. Empty: welcome.
        std::function<bool(const QStringList &paths)> acceptPaths;
        // A row of this view. Empty: welcome.
        std::function<bool()> acceptMove;
    };

    explicit JoinListView(QWidget *parent = nullptr);

    void setDropGate(DropGate gate) { m_gate = std::move(gate); }
    // What dragging the row carries; only this view takes it.
    QMimeData *rowDragData(int row) const;
    // Where the line stands: before that row, or at the row count for the end
    // of the list; -1 while nothing welcome is dragged over the list.
    int dropPlace() const { return m_dropPlace; }

signals:
    // unreachable: dropped files and folders whose names cannot be opened by
    // their text (see FileNameBytes), as text.
    void pathsDropped(const QStringList &paths, const QStringList &unreachable);
    // to is the row's index once it has moved.
    void rowMoveRequested(int from, int to);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct Dragged {
        QStringList paths;
        QStringList unreachable;
        int row = -1;
    };

    Dragged read(const QMimeData *mime) const;
    bool welcome(const Dragged &dragged) const;
    // Takes or refuses a drag step and moves the line; false when refused.
    bool follow(QDropEvent *event, const Dragged &dragged);
    int placeAt(int y) const;
    int lineY() const;
    void setDropPlace(int place);

    DropGate m_gate;
    // Tells this view's row drags from those of another list or program.
    QByteArray m_dragToken;
    int m_dropPlace = -1;
};
