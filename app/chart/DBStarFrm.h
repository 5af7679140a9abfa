#pragma once
// TfrmDBStar: the explanation window ("解析"). Shows the text of one row of
// the star table, read-only; Esc, Enter or Shift close it, and no text stays
// selected. Created once and reused for every click on the chart.

#include "StarTable.h"

#include <QDialog>
#include <QTextEdit>

// The read-only text view: closes its window on Esc, Enter or Shift and
// drops any selection at once.
class StarTextView : public QTextEdit {
    Q_OBJECT
public:
    explicit StarTextView(QWidget *parent = nullptr);

signals:
    void closeRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private slots:
    void DBRichEdit1SelectionChange();
};

class TfrmDBStar : public QDialog {
    Q_OBJECT
public:
    // Shown when the table has no row for a name and not even the reserved
    // "*" row, and when the database could not be opened.
    static const QString kNoExplanation;
    static const QString kNoDatabase;

    explicit TfrmDBStar(QWidget *parent = nullptr);

    // The table tblStar; opened from StarTable::DefaultPath() when not yet open.
    StarTable tblStar;
    bool OpenStarTable(const QString &fileName = StarTable::DefaultPath());

    StarTextView *DBRichEdit1;

    // Positions the window on name: its explanation, the "*" entry's text
    // when there is none, or a built-in note. Returns whether name has a row.
    bool Locate(const QString &name);
    // The text now shown.
    QString shownText() const { return DBRichEdit1->toPlainText(); }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void DBRichEdit1KeyDown();
};
