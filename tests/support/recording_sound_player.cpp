#include "tests/support/recording_sound_player.h"

QList<QByteArray> RecordingSoundPlayer::Played() const
{
    QList<QByteArray> played;
    for (const Call& call : Calls)
        if (call.What == Kind::Play)
            played.append(call.Wav);
    return played;
}
