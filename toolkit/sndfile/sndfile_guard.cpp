#include "toolkit/sndfile/sndfile_guard.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tk::sndfile {

NoteSource::~NoteSource()
{
    if (fd >= 0)
        close(fd);
}

namespace {

// Beyond the first two, channels are dropped; a count above this is a lie.
constexpr int kMaxChannels = 64;

sf_count_t ReadAt(NoteSource& source, sf_count_t at, void* into, sf_count_t count)
{
    count = std::clamp<sf_count_t>(std::min(count, source.size - at), 0, source.size);
    if (source.fd < 0) {
        if (count > 0)
            std::memcpy(into, source.memory.data() + at, static_cast<std::size_t>(count));
        return count;
    }
    sf_count_t done = 0;
    while (done < count) {
        const ssize_t got = pread(source.fd, static_cast<char*>(into) + done,
                                  static_cast<std::size_t>(count - done), at + done);
        if (got <= 0)
            break;
        done += got;
    }
    return done;
}

NoteSource& Of(void* data) { return *static_cast<NoteSource*>(data); }

SF_VIRTUAL_IO Io()
{
    SF_VIRTUAL_IO io{};
    io.get_filelen = [](void* data) { return static_cast<sf_count_t>(Of(data).size); };
    io.seek = [](sf_count_t offset, int whence, void* data) {
        NoteSource& source = Of(data);
        const sf_count_t base = whence == SEEK_CUR ? source.at : whence == SEEK_END ? source.size : 0;
        // Offsets come from the file: a wild one must not overflow.
        if (offset > source.size || offset < -source.size || base + offset < 0)
            return sf_count_t{-1};
        source.at = base + offset;
        return sf_count_t{source.at};
    };
    io.read = [](void* ptr, sf_count_t count, void* data) {
        NoteSource& source = Of(data);
        const sf_count_t got = ReadAt(source, source.at, ptr, count);
        source.at += got;
        return got;
    };
    io.write = [](const void*, sf_count_t, void*) { return sf_count_t{0}; };
    io.tell = [](void* data) { return sf_count_t{Of(data).at}; };
    return io;
}

// Notes are WAV files, and only a RIFF WAVE container reaches libsndfile:
// its other formats fail on broken files (a leak in every Ogg stream with
// bad Vorbis headers, overflows in SDS and ALAC and in the sizes of an RF64
// header), and the Windows sound call plays RIFF WAVE only too.
bool IsWaveContainer(const unsigned char* head, sf_count_t size)
{
    return size >= 12 && (std::memcmp(head, "RIFF", 4) == 0 || std::memcmp(head, "RIFX", 4) == 0) &&
        std::memcmp(head + 8, "WAVE", 4) == 0;
}

// A fmt chunk's 16-bit format tag, in either byte order, that libsndfile
// must never see: MPEG Layer III (0x55), whose ID it reads as 32 bits, a
// misaligned store; NMS ADPCM (0x38), whose decoder writes past its block
// on a file cut short and whose set-up, inside the open, overflows on a
// data length that a second data chunk made negative.
bool IsRefusedTag(const unsigned char* tag)
{
    for (const unsigned char refused : {0x55, 0x38})
        if ((tag[0] == refused && tag[1] == 0) || (tag[0] == 0 && tag[1] == refused))
            return true;
    return false;
}

// Every "fmt " of the file is asked, wherever libsndfile's chunk walk might
// find it: the walk follows sizes from the file and skips what it likes.
bool IsRefusedFile(NoteSource& source, const std::function<bool()>& cancelled)
{
    constexpr sf_count_t kBlock = 1 << 16;
    constexpr sf_count_t kPattern = 10; // "fmt ", the chunk's size, the tag
    std::vector<unsigned char> block(static_cast<std::size_t>(kBlock + kPattern - 1));
    for (sf_count_t at = 0; at < source.size; at += kBlock) {
        if (cancelled && cancelled())
            return true;
        const sf_count_t got = ReadAt(source, at, block.data(), static_cast<sf_count_t>(block.size()));
        if (at == 0 && !IsWaveContainer(block.data(), got))
            return true;
        for (sf_count_t i = 0; i + kPattern <= got && i < kBlock; ++i) {
            const unsigned char* p = block.data() + i;
            if (std::memcmp(p, "fmt ", 4) == 0 && IsRefusedTag(p + 8))
                return true;
        }
    }
    return source.size == 0;
}

// Asked once the file is open, before anything is read.
bool IsRefusedFormat(const SF_INFO& info)
{
    const int major = info.format & SF_FORMAT_TYPEMASK;
    return (major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX) || info.channels < 1 ||
        info.channels > kMaxChannels || info.samplerate < 1;
}

std::optional<OpenedNote> Open(const SndfileLibrary& sf, std::unique_ptr<NoteSource> source,
                               std::string& reason, const std::function<bool()>& cancelled)
{
    if (IsRefusedFile(*source, cancelled)) {
        reason = "not a WAV file the program plays";
        return std::nullopt;
    }
    OpenedNote note{std::move(source), SndFilePtr(nullptr, SndFileCloser{&sf}), {}};
    SF_VIRTUAL_IO io = Io();
    note.file.reset(sf.sf_open_virtual(&io, SFM_READ, &note.info, note.source.get()));
    if (!note.file) {
        reason = sf.sf_strerror(nullptr);
        return std::nullopt;
    }
    if (IsRefusedFormat(note.info)) {
        reason = "a format the program does not play";
        return std::nullopt;
    }
    return note;
}

} // namespace

std::optional<OpenedNote> OpenNote(const SndfileLibrary& sf, int fd, std::string& reason,
                                   const std::function<bool()>& cancelled)
{
    auto source = std::make_unique<NoteSource>();
    source->fd = fd;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        reason = "not a file";
        return std::nullopt;
    }
    source->size = static_cast<std::int64_t>(st.st_size);
    return Open(sf, std::move(source), reason, cancelled);
}

std::optional<OpenedNote> OpenNote(const SndfileLibrary& sf, std::span<const unsigned char> bytes,
                                   std::string& reason)
{
    auto source = std::make_unique<NoteSource>();
    source->memory = bytes;
    source->size = static_cast<std::int64_t>(bytes.size());
    return Open(sf, std::move(source), reason, {});
}

} // namespace tk::sndfile
