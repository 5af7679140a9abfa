#pragma once
// The icons of the program, drawn in code (the tool bar, the tree's record
// kinds, the window), and the SVG files of the program and document icons
// used by the desktop entry and the MIME type.

#include <QByteArray>
#include <QIcon>

enum class KeloIcon { Program, Root, Group, Member, NewMember, Save, Delete, Picture, Print, Web };

QIcon MakeIcon(KeloIcon which);

QByteArray ProgramIconSvg();
QByteArray DocumentIconSvg();
