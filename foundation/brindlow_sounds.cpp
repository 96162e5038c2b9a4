#include "foundation/brindlow_sounds.h"

#include "foundation/sound_item.h"
#include "foundation/sounds_manager.h"
#include "platform/paths.h"

#include <iterator>

namespace {

struct SoundEvent {
    const char* name;
    const char* caption;
    const char* fileName;
};

// Indexed by the event number.
const SoundEvent soundEvents[] = {
    {"NoSnd", "", ""},
    {"SndBatchConversionEnded", "Batch conversion ended", "done.wav"},
    {"SndPleaseConfirm", "Please confirm...", "question.wav"},
    {"SndNewVersion", "A new version is available", "new version.wav"},
    {"SndNoNewVersion", "No new version is available", "no new version.wav"},
    {"SndFailure", "Failure", "failure.wav"},
    {"SndSuccess", "Success", "success.wav"},
};

// The order in which the sounds are registered, and so listed.
const TSoundEvent registrationOrder[] = {SndBatchConversionEnded, SndSuccess,    SndFailure,
                                         SndPleaseConfirm,        SndNewVersion, SndNoNewVersion};

QString& soundFolder()
{
    static QString folder;
    return folder;
}

} // namespace

QString GetSoundEventName(int number)
{
    if (number < 0 || number >= int(std::size(soundEvents)))
        number = SndNone;
    return QString::fromLatin1(soundEvents[number].name);
}

void PlaySoundEvent(int number)
{
    PlaySoundByName(GetSoundEventName(number));
}

void StopSoundEvent()
{
    StopSound();
}

QString GetSoundFolder()
{
    return soundFolder();
}

void InitSoundEvents()
{
    soundFolder() = plat::ProgramFolder() + QStringLiteral("Sounds/");
    for (TSoundEvent number : registrationOrder) {
        const SoundEvent& event = soundEvents[number];
        RegisterSound(std::make_unique<TSoundItem>(QString::fromLatin1(event.caption),
                                                   soundFolder() + QString::fromLatin1(event.fileName), true,
                                                   QString::fromLatin1(event.name)));
    }
}
