#pragma once
// The one error path of the program: an operation that cannot go on throws a
// KeloError carrying its message; the handler is left at once and the
// application's error box shows the message (caption "Kelo", error icon).

#include <QString>
#include <QByteArray>
#include <exception>

class KeloError : public std::exception {
public:
    explicit KeloError(QString message)
        : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

    // The text shown in the error box.
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
