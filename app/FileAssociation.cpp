#include "FileAssociation.h"

#include "Icons.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

namespace {

// Writes content unless the file already holds exactly it; true when written.
bool WriteIfChanged(const QString &path, const QByteArray &content)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content)
        return false;
    existing.close();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return out.write(content) == content.size();
}

void Refresh(const QString &tool, const QString &dir)
{
    const QString exe = QStandardPaths::findExecutable(tool);
    if (!exe.isEmpty())
        QProcess::startDetached(exe, {dir});
}

QByteArray MimeXml()
{
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"application/x-kelo-records\">\n"
        "    <comment>Kelo records database</comment>\n"
        "    <comment xml:lang=\"zh_CN\">Kelo 数据库</comment>\n"
        "    <icon name=\"application-x-kelo-records\"/>\n"
        "    <glob pattern=\"*.kvr\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n");
}

} // namespace

QString DesktopExecLine(const QString &programPath)
{
    // Inside a quoted argument ", `, $ and \ are escaped with a backslash;
    // the desktop-entry string then doubles every backslash, and % is %%.
    QString quoted;
    for (QChar c : programPath) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    quoted.replace(u'%', QStringLiteral("%%"));
    return u'"' + quoted + QStringLiteral("\" %f");
}

void RegisterFileType(const QString &programPath)
{
#ifdef Q_OS_WIN
    QSettings classes(QStringLiteral("HKEY_CLASSES_ROOT"), QSettings::NativeFormat);
    const QString native = QDir::toNativeSeparators(programPath);
    classes.setValue(QStringLiteral(".kvr/."), QStringLiteral("kvr_auto_file"));
    classes.setValue(QStringLiteral("kvr_auto_file/shell/open/command/."),
                     u'"' + native + QStringLiteral("\" \"%1\""));
    classes.setValue(QStringLiteral("kvr_auto_file/defaulticon/."), native + QStringLiteral(",1"));
    classes.sync();
#else
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return;
    const QString iconDir = data + QStringLiteral("/icons/hicolor/scalable");
    WriteIfChanged(iconDir + QStringLiteral("/apps/kelo.svg"), ProgramIconSvg());
    WriteIfChanged(iconDir + QStringLiteral("/mimetypes/application-x-kelo-records.svg"), DocumentIconSvg());

    const QString mimeDir = data + QStringLiteral("/mime");
    if (WriteIfChanged(mimeDir + QStringLiteral("/packages/kelo-records.xml"), MimeXml()))
        Refresh(QStringLiteral("update-mime-database"), mimeDir);

    const QString appDir = data + QStringLiteral("/applications");
    const QByteArray entry =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Kelo\n"
        "Comment=Zi Wei Dou Shu and Four Pillars charts with a records database\n"
        "Comment[zh_CN]=紫微斗数与八字排盘、资料库\n"
        "Exec=" + DesktopExecLine(programPath).toUtf8() + "\n"
        "Icon=kelo\n"
        "Terminal=false\n"
        "Categories=Utility;\n"
        "MimeType=" + QByteArray(KvrMimeType) + ";\n";
    if (WriteIfChanged(appDir + QStringLiteral("/kelo.desktop"), entry))
        Refresh(QStringLiteral("update-desktop-database"), appDir);
#endif
}
