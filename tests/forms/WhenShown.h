// Answers a modal dialog in a test: runs work on the dialog of type T as soon
// as it is the active modal widget.
#pragma once

#include <QApplication>
#include <QObject>
#include <QTimer>

#include <functional>

template <typename T>
void whenShown(std::function<void(T *)> work)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, work] {
        if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            work(dialog);
        }
    });
    timer->start();
}
