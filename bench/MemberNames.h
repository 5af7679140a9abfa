// Member names for the benchmarks: two or three characters from common
// surnames and given-name characters, one in ten a Latin name; the same list
// for the same count on every run.
#pragma once

#include <QString>
#include <QStringList>

#include <random>

inline QStringList MemberNames(int count)
{
    const QString surnames = QString::fromUtf8(
        "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾毛郝龚邵万钱严覃武戴莫孔向汤");
    const QString given = QString::fromUtf8(
        "伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超兰霞平刚桂华建国文辉玲红志飞鹏宇斌波宁浩凯健俊帆帅旭晨亮成康星光天达安岩中茂进林有坚和彪博诚先敬震振壮会思群豪心邦承乐绍功松善厚庆重长行");
    const QStringList latin = {"Tom", "Anna", "Peter", "Mary", "John", "Lucy", "David", "Grace"};
    std::mt19937 random(20240601);
    QStringList names;
    names.reserve(count);
    for (int i = 0; i < count; ++i) {
        if (random() % 10 == 0) {
            names.append(latin[random() % latin.size()]);
            continue;
        }
        QString name = surnames[random() % surnames.size()];
        const int length = 1 + random() % 2;
        for (int k = 0; k < length; ++k)
            name += given[random() % given.size()];
        names.append(name);
    }
    return names;
}
