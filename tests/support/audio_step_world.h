#pragma once

#include "audio/audio_file.h"
#include "engine/command_common_data.h"
#include "engine/commands_manager.h"
#include "tests/support/recording_views.h"
#include "tests/support/temp_world.h"

#include <sys/resource.h>

// One audio step per batch on a real queue, with its log and the status its end handler receives.
class AudioStepWorld : public TempWorld {
protected:
    void SetUp() override;
    void TearDown() override;
    std::unique_ptr<TCommandCommonData> NewCommonData(const QString& input);
    // Runs the batch to its end, cancelled once the step shows progress when asked; a source that is
    // a regular file must come out untouched.
    void RunStep(std::unique_ptr<TCommandInterface> command, const QString& source, bool cancel);
    static QString DataFixture(const char* name) { return SourceFolder() + "tests/data/" + name; }
    // Format tag, channels, rate and bits of a file whose RIFF and data sizes are true to it and that
    // ffprobe and soxi (where installed) accept; then the data size.
    static std::tuple<int, int, int, int> ExpectTrueWav(const QString& fileName,
                                                        qsizetype* dataSize = nullptr);

    const TCommandLogEvent Logger = [this](QObject*, QString text) { Log << text; };
    const TAfterCommandEvent AfterCommand = [this](TCommandInterface*, const TExecuteStatus& status, QObject*,
                                                   bool&) { LastStatus = status; };
    std::unique_ptr<TCommandsManager> Queue;
    QStringList Log;
    TExecuteStatus LastStatus;
    std::shared_ptr<RecordingProgressView> StepBar;
    std::shared_ptr<TAudioFile> Entry;
    QString Output; // what NewCommonData names the output
};

// Files cannot grow past the limit while it lives, as on a full disk (a write fails with EFBIG).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit);
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

private:
    rlimit saved_{};
};
