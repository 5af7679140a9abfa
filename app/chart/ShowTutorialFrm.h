#pragma once
// TfrmShowTutorial: the hint shown after a chart, telling that star and
// palace names can be clicked, with a box to stop showing it and a button
// for the tutorial on the web site. Made for each showing.

#include <QDialog>

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;

class TfrmShowTutorial : public QDialog {
    Q_OBJECT
public:
    // tutorial is the main window's tutorial command (actJiaocheng); without
    // one the button opens the web site itself.
    explicit TfrmShowTutorial(QWidget *parent = nullptr, QAction *tutorial = nullptr);

    QLabel *Label1;
    QCheckBox *cbNoShow;
    QPushButton *btnJiaocheng;
    QPushButton *Button2;
};
