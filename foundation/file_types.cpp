#include "foundation/file_types.h"

#include "platform/icon_list.h"

#include <array>

static void initIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace {

struct ProgramIcon {
    const char* Name;
    const char* Resource;
};

constexpr std::array<ProgramIcon, 8> programIcons{{
    {"VcdAppIco", ":/icons/app.svg"},
    {"VcdCdFile", ":/icons/cd_file.svg"},
    {"VcdFile", ":/icons/vcd_file.svg"},
    {"VcdSound", ":/icons/sound.svg"},
    {"ProjectFile", ":/icons/project_file.svg"},
    {"AudioFile", ":/icons/audio_file.svg"},
    {"Failure1", ":/icons/failure.svg"},
    {"Success1", ":/icons/success.svg"},
}};

constexpr int soundIcon = 3;
constexpr int audioFileIcon = 5;

int wavFileIconIndex()
{
    return GetFileIconIndex(QStringLiteral("toto.wav"));
}

} // namespace

int SoundIconIndex = -1;
int AudioFileIconIndex = -1;

QString ProgramIconName(int number)
{
    return number >= 0 && number < int(programIcons.size()) ? QString::fromLatin1(programIcons[number].Name)
                                                            : QString();
}

void RegisterFileTypeIcons()
{
    static bool registered = false;
    if (registered)
        return;
    initIconResources();
    std::array<int, programIcons.size()> indexes{};
    for (std::size_t n = 0; n < programIcons.size(); ++n) {
        const QIcon icon(QString::fromLatin1(programIcons[n].Resource));
        // Without the SVG icon engine the icons cannot be drawn: fall back to the WAV file icon.
        if (icon.pixmap(32).isNull()) {
            SoundIconIndex = AudioFileIconIndex = wavFileIconIndex();
            return;
        }
        indexes[n] = plat::IconList::Instance().Add(icon);
    }
    registered = true;
    SoundIconIndex = indexes[soundIcon];
    AudioFileIconIndex = indexes[audioFileIcon];
}

void UnregisterFileTypes() {}

bool RegisterFileType(const QString& extension, const QString& typeName, const QString&,
                      const QString& executable, int, bool, const QString&, const QString&, bool)
{
    return !extension.isEmpty() && !typeName.isEmpty() && !executable.isEmpty();
}

void UnregisterFileType(const QString&) {}

int GetFileIconIndex(const QString& fileName)
{
    return plat::IconList::Instance().IndexForFileName(fileName);
}
