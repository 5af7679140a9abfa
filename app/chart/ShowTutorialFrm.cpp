#include "ShowTutorialFrm.h"

#include <QAction>
#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

#ifndef KELO_WEBSITE
#define KELO_WEBSITE "https://kelo.example.org/"
#endif

TfrmShowTutorial::TfrmShowTutorial(QWidget *parent, QAction *tutorial) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmShowTutorial"));
    setWindowTitle(QStringLiteral("提示"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(253, 115);

    Label1 = new QLabel(QStringLiteral("点击星耀、宫名，可以查看解释。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(16, 16);
    Label1->adjustSize();

    cbNoShow = new QCheckBox(QStringLiteral("不再提示"), this);
    cbNoShow->setObjectName(QStringLiteral("cbNoShow"));
    cbNoShow->move(16, 40);
    cbNoShow->adjustSize();
    cbNoShow->setChecked(false);

    btnJiaocheng = new QPushButton(this);
    btnJiaocheng->setObjectName(QStringLiteral("btnJiaocheng"));
    btnJiaocheng->setGeometry(80, 80, 75, 25);
    btnJiaocheng->setDefault(true);
    if (tutorial) {
        btnJiaocheng->setText(tutorial->text());
        connect(btnJiaocheng, &QPushButton::clicked, tutorial, &QAction::trigger);
    } else {
        btnJiaocheng->setText(QStringLiteral("斗数教程"));
        connect(btnJiaocheng, &QPushButton::clicked, this,
                [] { QDesktopServices::openUrl(QUrl(QStringLiteral(KELO_WEBSITE))); });
    }

    Button2 = new QPushButton(QStringLiteral("确定"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(168, 80, 75, 25);
    connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
}
