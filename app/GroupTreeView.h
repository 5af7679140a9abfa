#pragma once
// The tree control DBTreeView1: a QTreeView that asks its owner before the
// selection changes (the save question), reports clicks in the tree, the
// Delete key and the end of a drag (target, dragged records, Ctrl held) to
// the owner, which decides what the drop does.

#include <QTreeView>
#include <functional>

class GroupTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit GroupTreeView(QWidget *parent = nullptr);

    // Asked before the user moves the selection; false keeps it.
    std::function<bool()> changing;

signals:
    void treeClicked();
    void treeDoubleClicked();
    void deleteKeyPressed();
    // target: the node under the drop (invalid for none), dragged: the IDs
    // carried by the drag, copy: Ctrl was held.
    void endDragTreeNode(const QModelIndex &target, const QList<int> &dragged, bool copy);

protected:
    bool viewportEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool m_pressed = false;
    // A right click whose selection change the user refused: its pop-up
    // menu is swallowed.
    bool m_menuRefused = false;
};
