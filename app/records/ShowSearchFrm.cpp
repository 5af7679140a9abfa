#include "ShowSearchFrm.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmShowSarch::TfrmShowSarch(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmShowSarch"));
    setWindowTitle(QStringLiteral("提示"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    lblHint = new QLabel(QStringLiteral("可以用拼音首字母进行搜索，如ZS（张三）。"), this);
    lblHint->setObjectName(QStringLiteral("lblHint"));
    cbNoMore = new QCheckBox(QStringLiteral("不再提示"), this);
    cbNoMore->setObjectName(QStringLiteral("cbNoMore"));
    btnOk = new QPushButton(QStringLiteral("确定"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(cbNoMore);
    bottom->addStretch();
    bottom->addWidget(btnOk);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblHint);
    layout->addLayout(bottom);
    setFixedSize(sizeHint());
}

void edtSearchClick(bool &showSearch, QWidget *parent)
{
    if (!showSearch)
        return;
    TfrmShowSarch hint(parent);
    hint.exec();
    // However the hint was closed (OK, Esc, the window's close box), a
    // ticked box switches it off.
    if (hint.cbNoMore->isChecked())
        showSearch = false;
}
