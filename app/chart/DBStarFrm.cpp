#include "DBStarFrm.h"

#include "QtCanvas.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

const QString TfrmDBStar::kNoExplanation = QStringLiteral("此项暂无解释。");
const QString TfrmDBStar::kNoDatabase = QStringLiteral("找不到星曜解释库“00.dll”，无法显示解释。");

StarTextView::StarTextView(QWidget *parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    connect(this, &QTextEdit::selectionChanged, this, &StarTextView::DBRichEdit1SelectionChange);
}

void StarTextView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Shift:
        emit closeRequested();
        event->accept();
        return;
    default:
        QTextEdit::keyPressEvent(event);
    }
}

void StarTextView::mouseMoveEvent(QMouseEvent *event)
{
    QTextEdit::mouseMoveEvent(event);
    DBRichEdit1SelectionChange();
}

void StarTextView::DBRichEdit1SelectionChange()
{
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return;
    cursor.clearSelection();
    setTextCursor(cursor);
}

TfrmDBStar::TfrmDBStar(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDBStar"));
    setWindowTitle(QStringLiteral("解析"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                   | Qt::WindowCloseButtonHint);
    resize(533, 379);
    DBRichEdit1 = new StarTextView(this);
    DBRichEdit1->setObjectName(QStringLiteral("DBRichEdit1"));
    QFont font = QtCanvas::FontForName(kSongTi);
    font.setPixelSize(12);
    DBRichEdit1->setFont(font);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(DBRichEdit1);
    connect(DBRichEdit1, &StarTextView::closeRequested, this, &TfrmDBStar::DBRichEdit1KeyDown);
}

bool TfrmDBStar::OpenStarTable(const QString &fileName)
{
    return tblStar.IsOpen() || tblStar.Open(fileName);
}

bool TfrmDBStar::Locate(const QString &name)
{
    std::optional<QString> text = tblStar.Lookup(name);
    const bool found = text.has_value();
    if (!found)
        text = tblStar.Lookup(QString::fromLatin1(StarTable::kNoEntryName));
    if (!text)
        text = tblStar.IsOpen() ? kNoExplanation : kNoDatabase;
    // The explanation may be stored as rich text or as plain text.
    if (Qt::mightBeRichText(*text))
        DBRichEdit1->setHtml(*text);
    else
        DBRichEdit1->setPlainText(*text);
    DBRichEdit1->moveCursor(QTextCursor::Start);
    return found;
}

void TfrmDBStar::showEvent(QShowEvent *event)
{
    // In the middle of the desktop.
    if (const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
    DBRichEdit1->setFocus();
}

void TfrmDBStar::DBRichEdit1KeyDown()
{
    close();
}
