#pragma once
// Reads a sound file (any WAV encoding libsndfile knows) into 16-bit frames
// of one or two channels, within fixed bounds so that no file can exhaust
// memory or time.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tk::sndfile {

// What identifies one version of a file: a changed file is read afresh.
struct FileStamp {
    std::string path;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtime_ns = 0;

    bool operator==(const FileStamp&) const = default;
};

// The stamp of a regular file; empty for anything else or nothing.
std::optional<FileStamp> StampOf(const std::string& native_path);

struct DecodeLimits {
    double max_seconds = 300.0;
    std::size_t max_bytes = std::size_t{64} << 20;
    int min_rate = 1000;
    int max_rate = 384000;
};

// Interleaved; a file of more than two channels keeps its first two.
struct Pcm {
    int rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;

    std::size_t Frames() const
    {
        return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0;
    }
    std::size_t Bytes() const { return samples.size() * sizeof(std::int16_t); }
};

enum class DecodeStatus { Ok, Missing, NotAFile, Unreadable, Empty, TooLong, Cancelled };

// `cancelled` is asked between chunks; a true answer abandons the file.
// `stamp`, when given, receives the stamp of the file actually read.
DecodeStatus DecodeFile(const std::string& native_path, Pcm& out, const std::function<bool()>& cancelled,
                        const DecodeLimits& limits = {}, FileStamp* stamp = nullptr);

// The same decode, of a file's bytes held in memory.
DecodeStatus DecodeBytes(std::span<const unsigned char> bytes, Pcm& out, const DecodeLimits& limits = {});

} // namespace tk::sndfile
