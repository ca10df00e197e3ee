#include "toolkit/sndfile/wav_decoder.h"

#include "toolkit/sndfile/sndfile_guard.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tk::sndfile {

namespace {

constexpr sf_count_t kChunkFrames = 16384;

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

std::int16_t ToInt16(float v)
{
    // NaN from a corrupt float file becomes silence.
    if (!(v == v))
        return 0;
    return static_cast<std::int16_t>(std::lrint(std::clamp(v * 32768.0f, -32768.0f, 32767.0f)));
}

FileStamp StampFrom(const std::string& path, const struct stat& st)
{
    FileStamp stamp;
    stamp.path = path;
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::int64_t>(st.st_size);
    stamp.mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 +
        static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    return stamp;
}

// The limits and the decode loop, whatever the bytes came from.
DecodeStatus Decode(const SndfileLibrary& sf, const std::optional<OpenedNote>& note, Pcm& out,
                    const std::function<bool()>& cancelled, const DecodeLimits& limits)
{
    if (!note)
        return DecodeStatus::Unreadable;
    const SF_INFO& info = note->info;
    if (info.samplerate < limits.min_rate || info.samplerate > limits.max_rate)
        return DecodeStatus::Unreadable;

    const auto channels = static_cast<std::size_t>(info.channels);
    const std::size_t kept = std::min<std::size_t>(channels, 2);
    const auto by_time = static_cast<std::size_t>(limits.max_seconds * info.samplerate);
    const std::size_t by_bytes = limits.max_bytes / (kept * sizeof(std::int16_t));
    const std::size_t max_frames = std::min(by_time, by_bytes);
    // The header's frame count is only a hint: it may lie.
    if (info.frames > 0)
        out.samples.reserve(kept * std::min(static_cast<std::size_t>(info.frames), max_frames));
    out.channels = static_cast<int>(kept);

    // Read as float (integer files come scaled to -1..1), so every encoding
    // takes one path and floats beyond full scale clip instead of wrapping.
    std::vector<float> chunk(static_cast<std::size_t>(kChunkFrames) * channels);
    for (;;) {
        if (cancelled && cancelled())
            return DecodeStatus::Cancelled;
        const sf_count_t got = sf.sf_readf_float(note->file.get(), chunk.data(), kChunkFrames);
        if (got <= 0)
            break;
        const auto frames = static_cast<std::size_t>(got);
        if (out.Frames() + frames > max_frames)
            return DecodeStatus::TooLong;
        for (std::size_t i = 0; i < frames; ++i)
            for (std::size_t c = 0; c < kept; ++c)
                out.samples.push_back(ToInt16(chunk[i * channels + c]));
    }
    if (sf.sf_error(note->file.get()) != SF_ERR_NO_ERROR && out.samples.empty())
        return DecodeStatus::Unreadable;
    if (out.samples.empty())
        return DecodeStatus::Empty;
    out.rate = info.samplerate;
    return DecodeStatus::Ok;
}

} // namespace

std::optional<FileStamp> StampOf(const std::string& native_path)
{
    struct stat st {};
    if (stat(native_path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return StampFrom(native_path, st);
}

DecodeStatus DecodeFile(const std::string& native_path, Pcm& out, const std::function<bool()>& cancelled,
                        const DecodeLimits& limits, FileStamp* stamp)
{
    out = Pcm{};
    // O_NONBLOCK: a FIFO named like a note must not hang the open.
    Descriptor fd(open(native_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        return errno == ENOENT || errno == ENOTDIR ? DecodeStatus::Missing : DecodeStatus::Unreadable;
    struct stat st {};
    if (fstat(fd.get(), &st) != 0)
        return DecodeStatus::Unreadable;
    if (!S_ISREG(st.st_mode))
        return DecodeStatus::NotAFile;
    if (stamp != nullptr)
        *stamp = StampFrom(native_path, st);

    const SndfileLibrary* sf = LoadSndfile();
    if (sf == nullptr)
        return DecodeStatus::Unreadable;
    std::string reason;
    const auto note = OpenNote(*sf, fd.release(), reason, cancelled);
    if (!note && cancelled && cancelled())
        return DecodeStatus::Cancelled;
    return Decode(*sf, note, out, cancelled, limits);
}

DecodeStatus DecodeBytes(std::span<const unsigned char> bytes, Pcm& out, const DecodeLimits& limits)
{
    out = Pcm{};
    const SndfileLibrary* sf = LoadSndfile();
    if (sf == nullptr)
        return DecodeStatus::Unreadable;
    std::string reason;
    return Decode(*sf, OpenNote(*sf, bytes, reason), out, {}, limits);
}

} // namespace tk::sndfile
