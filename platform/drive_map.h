#pragma once

#include <QString>

namespace platform {

// Windows drive letters stand for folders under one drive root, laid out the
// way Wine lays out its dosdevices: drive F is the folder "<root>/f:".
class DriveMap {
public:
    explicit DriveMap(QString root);

    // ENLACE3_DOSDEVICES if set; else $WINEPREFIX/dosdevices; else ~/.wine/dosdevices.
    static DriveMap fromEnvironment();

    const QString& root() const { return root_; }

    // "F:\NOCTARIS\\enlace3.MDB" -> "<root>/f:/noctaris/enlace3.MDB".
    // '\' and '/' both separate and repeated separators collapse. Each
    // component is matched case-insensitively against what exists on disk; a
    // component that does not exist keeps the spelling given. Creates nothing.
    // A path without a drive letter is taken relative to drive C.
    QString toLocal(const QString& windowsPath) const;

    // A local path under the root as the user knows it ("<root>/f:/noctaris/x"
    // -> "F:\noctaris\x"); any other path as it is.
    QString toWindows(const QString& localPath) const;
    // A local file that lies in the folder of `windowsSibling` (a path as the
    // user typed it), named with that folder as the user wrote it:
    // "F:\NOCTARIS\Suenlace_x.dat", not "F:\noctaris\Suenlace_x.dat".
    // Any other file as toWindows names it.
    QString toWindowsBeside(const QString& localPath, const QString& windowsSibling) const;

    // A Windows path as the user should read it: a folder ending in '\'
    // followed by "\name" shows one separator, not two (a leading "\\" of a
    // network path stays).
    static QString forDisplay(const QString& windowsPath);

private:
    QString root_;
};

} // namespace platform
