#include "GroupTreeView.h"

#include "GroupTreeModel.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

GroupTreeView::GroupTreeView(QWidget *parent) : QTreeView(parent)
{
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
}

void GroupTreeView::mousePressEvent(QMouseEvent *event)
{
    m_pressed = false;
    m_menuRefused = false;
    const QModelIndex target = indexAt(event->position().toPoint());
    if (target.isValid() && target != currentIndex() && changing && !changing()) {
        // The user kept the selection: the pop-up menu this right click
        // brings next is not shown, and the save question is not asked again.
        m_menuRefused = event->button() == Qt::RightButton;
        return;
    }
    m_pressed = event->button() == Qt::LeftButton;
    QTreeView::mousePressEvent(event);
}

bool GroupTreeView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ContextMenu && m_menuRefused
        && static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Mouse) {
        m_menuRefused = false;
        event->accept();
        return true;
    }
    return QTreeView::viewportEvent(event);
}

void GroupTreeView::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeView::mouseReleaseEvent(event);
    if (m_pressed && event->button() == Qt::LeftButton) {
        m_pressed = false;
        emit treeClicked();
    }
}

void GroupTreeView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit treeDoubleClicked();
}

void GroupTreeView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Delete:
        if (state() != QAbstractItemView::EditingState) {
            emit deleteKeyPressed();
            return;
        }
        break;
    case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_Left: case Qt::Key_Right:
    case Qt::Key_Home: case Qt::Key_End: case Qt::Key_PageUp: case Qt::Key_PageDown:
        if (changing && !changing())
            return;
        break;
    default:
        // Typing a label's first letters moves the selection too.
        if (!event->text().isEmpty() && event->text().at(0).isPrint() && changing && !changing())
            return;
        break;
    }
    QTreeView::keyPressEvent(event);
}

void GroupTreeView::dragMoveEvent(QDragMoveEvent *event)
{
    QTreeView::dragMoveEvent(event);
    if (event->isAccepted())
        event->setDropAction(event->modifiers() & Qt::ControlModifier ? Qt::CopyAction : Qt::MoveAction);
}

void GroupTreeView::dropEvent(QDropEvent *event)
{
    const QList<int> dragged = GroupTreeModel::idsFromMime(event->mimeData());
    if (dragged.isEmpty()) {
        event->ignore();
        return;
    }
    const bool copy = event->modifiers() & Qt::ControlModifier;
    const QModelIndex target = indexAt(event->position().toPoint());
    // The records are changed by the owner; the drag itself must not remove
    // anything from the model afterwards.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setState(QAbstractItemView::NoState);
    viewport()->update();
    emit endDragTreeNode(target, dragged, copy);
}
