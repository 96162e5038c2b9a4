#include "tests/support/recording_sound_player.h"

QList<QByteArray> RecordingSoundPlayer::Played() const
{
    QList<QByteArray> played;
    for (const Call& call : Calls)
        if (call.What == Kind::Play)
            played.append(call.Wav);
    return played;
}

int RecordingSoundPlayer::Count(Kind kind) const
{
    int count = 0;
    for (const Call& call : Calls)
        count += call.What == kind ? 1 : 0;
    return count;
}
