#include "tools/mplex/multiplexer.h"

#include "tools/common/console.h"

#include <algorithm>

namespace mplex {

namespace {

// The frames' bytes in stream order, leaving out what lies between their runs.
class FrameReader {
public:
    FrameReader(std::FILE* file, const std::vector<FrameRun>& runs) : file_(file), runs_(runs) {}

    bool Read(unsigned char* buffer, std::int64_t count)
    {
        while (count > 0) {
            if (run_ == runs_.size())
                return false;
            const FrameRun& run = runs_[run_];
            if (done_ == 0 && std::fseek(file_, run.offset, SEEK_SET) != 0)
                return false;
            const std::int64_t part = std::min(count, run.bytes - done_);
            const auto size = static_cast<std::size_t>(part);
            if (std::fread(buffer, 1, size, file_) != size)
                return false;
            buffer += part;
            count -= part;
            done_ += part;
            if (done_ == run.bytes) {
                ++run_;
                done_ = 0;
            }
        }
        return true;
    }

private:
    std::FILE* file_;
    const std::vector<FrameRun>& runs_;
    std::size_t run_ = 0;
    std::int64_t done_ = 0;
};

} // namespace

MuxPlan WriteProgramStream(std::FILE* input, const std::string& inputName, const AudioStreamScan& scan,
                           int muxRate, tools::OutputFile& output)
{
    const MuxPlan plan = PlanAudioPackets(scan.frameBytes, scan.first.sampleRate, muxRate);
    output.Write(SystemHeaderSector(plan.firstScr, muxRate).data(), kSectorBytes);
    FrameReader frames(input, scan.runs);
    std::vector<unsigned char> payload(kSectorBytes);
    for (const AudioPacket& packet : plan.packets) {
        if (!frames.Read(payload.data(), packet.payloadBytes))
            throw tools::Failure(inputName + ": the file changed while it was read");
        output.Write(AudioSector(packet, payload.data(), muxRate).data(), kSectorBytes);
    }
    output.Write(EndSector(plan.endScr, muxRate).data(), kSectorBytes);
    output.Commit();
    return plan;
}

} // namespace mplex
