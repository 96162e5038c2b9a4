// One run of the program writing debug lines: debug_writer <program folder> <text>...
#include "foundation/debug_file.h"
#include "platform/paths.h"

#include <QString>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    plat::SetProgramFolder(QString::fromLocal8Bit(argv[1]));
    SetDebugFileSwitch(true);
    for (int i = 2; i < argc; ++i)
        DebugWrite(QString::fromLocal8Bit(argv[i]));
    return 0;
}
