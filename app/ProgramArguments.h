// The program's arguments as the system has them.
#pragma once

#include "PathNames.h"

#include <QStringList>

// argv without the program name; a file name that is not UTF-8 still names
// its file.
inline QStringList ProgramArguments(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << PathFromBytes(argv[i]);
    return args;
}
