#pragma once
// TfrmShowSarch: the hint shown on a click in the search box while the
// setting ShowSearch is on, telling that members are found by the pinyin
// initials of their names. Ticking "不再提示" switches the hint off.

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

class TfrmShowSarch : public QDialog {
    Q_OBJECT
public:
    explicit TfrmShowSarch(QWidget *parent = nullptr);

    QLabel *lblHint;
    QCheckBox *cbNoMore;      // "不再提示"
    QPushButton *btnOk;       // "确定", the default button
};

// edtSearchClick: while showSearch is true, shows TfrmShowSarch modally;
// when it closes with "不再提示" ticked, showSearch becomes false (saved with
// the settings at exit).
void edtSearchClick(bool &showSearch, QWidget *parent = nullptr);
