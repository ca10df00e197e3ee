#include "toolkit/openal/wav_decoder.h"

#include "toolkit/openal/sndfile_guards.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tk::openal {

namespace {

constexpr sf_count_t kChunkFrames = 16384;
// Beyond the first two, channels are dropped; a count above this is a lie.
constexpr int kMaxChannels = 64;

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

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

private:
    int fd_;
};

// Bytes in memory, read through libsndfile's virtual I/O.
struct MemoryFile {
    std::span<const unsigned char> bytes;
    sf_count_t at;

    static MemoryFile& Of(void* data) { return *static_cast<MemoryFile*>(data); }
    static SF_VIRTUAL_IO Io()
    {
        SF_VIRTUAL_IO io{};
        io.get_filelen = [](void* data) { return static_cast<sf_count_t>(Of(data).bytes.size()); };
        io.seek = [](sf_count_t offset, int whence, void* data) {
            MemoryFile& file = Of(data);
            const sf_count_t size = static_cast<sf_count_t>(file.bytes.size());
            const sf_count_t base = whence == SEEK_CUR ? file.at : whence == SEEK_END ? size : 0;
            // Offsets come from the file: a wild one must not overflow.
            if (offset > size || offset < -size || base + offset < 0)
                return sf_count_t{-1};
            file.at = base + offset;
            return file.at;
        };
        io.read = [](void* ptr, sf_count_t count, void* data) {
            MemoryFile& file = Of(data);
            const sf_count_t size = static_cast<sf_count_t>(file.bytes.size());
            const sf_count_t n = std::clamp<sf_count_t>(std::min(count, size - file.at), 0, size);
            if (n > 0)
                std::memcpy(ptr, file.bytes.data() + file.at, static_cast<std::size_t>(n));
            file.at += n;
            return n;
        };
        io.write = [](const void*, sf_count_t, void*) { return sf_count_t{0}; };
        io.tell = [](void* data) { return Of(data).at; };
        return io;
    }
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
DecodeStatus Decode(SndFilePtr file, const SF_INFO& info, Pcm& out, const std::function<bool()>& cancelled,
                    const DecodeLimits& limits)
{
    if (!file)
        return DecodeStatus::Unreadable;
    if (IsRefusedFormat(info.format) || info.channels < 1 || info.channels > kMaxChannels ||
        info.samplerate < limits.min_rate || info.samplerate > limits.max_rate)
        return DecodeStatus::Unreadable;

    const auto by_time = static_cast<std::size_t>(limits.max_seconds * info.samplerate);
    const std::size_t by_bytes = limits.max_bytes / (2 * sizeof(std::int16_t));
    const std::size_t max_frames = std::min(by_time, by_bytes);
    // The header's frame count is only a hint: it may lie.
    if (info.frames > 0)
        out.samples.reserve(2 * std::min(static_cast<std::size_t>(info.frames), max_frames));

    const auto channels = static_cast<std::size_t>(info.channels);
    // Read as float (integer files come scaled to -1..1), so every encoding
    // takes one path and floats beyond full scale clip instead of wrapping.
    std::vector<float> chunk(static_cast<std::size_t>(kChunkFrames) * channels);
    for (;;) {
        if (cancelled && cancelled())
            return DecodeStatus::Cancelled;
        const sf_count_t got = sf_readf_float(file.get(), chunk.data(), kChunkFrames);
        if (got <= 0)
            break;
        const auto frames = static_cast<std::size_t>(got);
        if (out.Frames() + frames > max_frames)
            return DecodeStatus::TooLong;
        for (std::size_t i = 0; i < frames; ++i) {
            const float* frame = &chunk[i * channels];
            const std::int16_t left = ToInt16(frame[0]);
            out.samples.push_back(left);
            out.samples.push_back(channels > 1 ? ToInt16(frame[1]) : left);
        }
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR && out.samples.empty())
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

    unsigned char head[kHeaderBytes];
    const ssize_t got = pread(fd.get(), head, sizeof head, 0);
    if (got < 0 || IsRefusedHeader({head, static_cast<std::size_t>(got)}))
        return DecodeStatus::Unreadable;
    SF_INFO info{};
    // The descriptor stays ours, so it is closed once whatever libsndfile does.
    SndFilePtr file(sf_open_fd(fd.get(), SFM_READ, &info, SF_FALSE));
    return Decode(std::move(file), info, out, cancelled, limits);
}

DecodeStatus DecodeBytes(std::span<const unsigned char> bytes, Pcm& out, const DecodeLimits& limits)
{
    out = Pcm{};
    if (IsRefusedHeader(bytes.first(std::min(bytes.size(), kHeaderBytes))))
        return DecodeStatus::Unreadable;
    MemoryFile memory{bytes, 0};
    SF_VIRTUAL_IO io = MemoryFile::Io();
    SF_INFO info{};
    SndFilePtr file(sf_open_virtual(&io, SFM_READ, &info, &memory));
    return Decode(std::move(file), info, out, {}, limits);
}

} // namespace tk::openal
