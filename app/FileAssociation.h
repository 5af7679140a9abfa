#pragma once
// The association of *.kvr files with the program, written at every start.
// Linux: the user's desktop entry, a shared-mime-info type for *.kvr with the
// document icon, and a refresh of the MIME and desktop databases when their
// tools exist. Windows: the keys .kvr and kvr_auto_file under
// HKEY_CLASSES_ROOT. Nothing checks the outcome: a failure is silent.

#include <QString>

// The MIME type of records databases.
inline constexpr char KvrMimeType[] = "application/x-kelo-records";

// Writes the association for the program at programPath.
void RegisterFileType(const QString &programPath);

// The Exec line of the desktop entry: the program quoted, then "%f".
QString DesktopExecLine(const QString &programPath);
