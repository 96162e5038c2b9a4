#include "tests/support/fake_audio_output.h"

void FakeAudioOutput::Advance(int milliseconds)
{
    qint64 wanted = format_.bytesForDuration(qint64(milliseconds) * 1000);
    while (source_ && wanted > 0) {
        const QByteArray pulled = source_->read(wanted);
        Played += pulled;
        wanted -= pulled.size();
        if (pulled.isEmpty() && source_->atEnd()) {
            source_ = nullptr;
            notifyFinished();
        } else if (pulled.isEmpty()) {
            break; // an underrun: nothing now, more later
        }
    }
}
