// Files that are not what they claim: the output neither crashes nor hangs,
// keeps its memory bounded, sounds the alert where nothing can be played and
// plays the next good file as usual; the library tool calls unreadable
// exactly the files that sound the alert.

#include "tools/fixtures/sound_fixtures.h"
#include "tests/sound/heard_output.h"
#include "toolkit/sndfile/wav_decoder.h"
#include "tools/tunes/wav_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sndfile.h>
#include <sys/stat.h>

namespace tarvisk::sound_test {
namespace {

namespace fs = std::filesystem;
using tk::sndfile::DecodeFile;
using tk::sndfile::DecodeLimits;
using tk::sndfile::DecodeStatus;
using tk::sndfile::Pcm;

std::vector<char> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::vector<char>& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::size_t Find(const std::vector<char>& bytes, const char* tag)
{
    for (std::size_t i = 0; i + 4 <= bytes.size(); ++i)
        if (std::memcmp(&bytes[i], tag, 4) == 0)
            return i;
    throw std::runtime_error(std::string("no chunk ") + tag);
}

void Put32(std::vector<char>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void Put16(std::vector<char>& bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

// A good note (16-bit unless told), then changed by `edit`.
void PatchedWav(const fs::path& path, const std::function<void(std::vector<char>&)>& edit,
                int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16)
{
    WriteSine(path, 330.0, 0.5, 44100, format);
    auto bytes = ReadBytes(path);
    edit(bytes);
    WriteBytes(path, bytes);
}

// An ADPCM note whose 16-bit format field at `offset` (in the fmt chunk's
// body) says `value`.
void PatchedAdpcm(const fs::path& path, int encoding, std::size_t offset, std::uint16_t value)
{
    PatchedWav(
        path, [&](std::vector<char>& b) { Put16(b, Find(b, "fmt ") + 8 + offset, value); },
        SF_FORMAT_WAV | encoding);
}

struct BadFile {
    const char* name;
    std::function<void(const fs::path&)> make;
    bool sounds_alert;
};

const BadFile kBadFiles[] = {
    {"Missing", [](const fs::path&) {}, true},
    {"FolderNamedLikeANote", [](const fs::path& p) { fs::create_directory(p); }, true},
    {"Fifo", [](const fs::path& p) { mkfifo(p.c_str(), 0600); }, true},
    {"EmptyFile", [](const fs::path& p) { WriteBytes(p, {}); }, true},
    {"Garbage",
     [](const fs::path& p) {
         std::vector<char> bytes(10000);
         for (std::size_t i = 0; i < bytes.size(); ++i)
             bytes[i] = static_cast<char>((i * 7919u) >> 3);
         WriteBytes(p, bytes);
     },
     true},
    {"CutInsideTheHeader",
     [](const fs::path& p) { PatchedWav(p, [](std::vector<char>& b) { b.resize(20); }); }, true},
    {"NoSampleData",
     [](const fs::path& p) {
         PatchedWav(p, [](std::vector<char>& b) {
             const std::size_t data = Find(b, "data");
             b.resize(data + 8);
             Put32(b, data + 4, 0);
         });
     },
     true},
    {"ZeroSampleRate",
     [](const fs::path& p) {
         PatchedWav(p, [](std::vector<char>& b) { Put32(b, Find(b, "fmt ") + 12, 0); });
     },
     true},
    {"AbsurdSampleRate",
     [](const fs::path& p) {
         PatchedWav(p, [](std::vector<char>& b) { Put32(b, Find(b, "fmt ") + 12, 4'000'000'000u); });
     },
     true},
    {"AbsurdChannelCount",
     [](const fs::path& p) {
         PatchedWav(p, [](std::vector<char>& b) { Put16(b, Find(b, "fmt ") + 10, 65535); });
     },
     true},
    {"LongerThanFiveMinutes",
     [](const fs::path& p) {
         WriteWav(p, SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 8000, 8000 * 301,
                  [](std::size_t i, int) { return (i % 40) < 20 ? 0.3 : -0.3; });
     },
     true},
    // Shaped like libsndfile's CVEs: a zero block align (CVE-2017-16942),
    // ADPCM blocks that cannot hold what the header promises
    // (CVE-2021-3246) and an ADPCM data chunk claiming gigabytes.
    {"ImaAdpcmZeroBlockAlign", [](const fs::path& p) { PatchedAdpcm(p, SF_FORMAT_IMA_ADPCM, 12, 0); }, true},
    {"MsAdpcmZeroBlockAlign", [](const fs::path& p) { PatchedAdpcm(p, SF_FORMAT_MS_ADPCM, 12, 0); }, true},
    {"MsAdpcmBlockSmallerThanItsHeader",
     [](const fs::path& p) { PatchedAdpcm(p, SF_FORMAT_MS_ADPCM, 12, 6); }, true},
    {"MsAdpcmSamplesPerBlockBeyondTheBlock",
     [](const fs::path& p) { PatchedAdpcm(p, SF_FORMAT_MS_ADPCM, 18, 0xFFFF); }, true},
    {"MsAdpcmMonoBlocksClaimedStereo", [](const fs::path& p) { PatchedAdpcm(p, SF_FORMAT_MS_ADPCM, 2, 2); },
     true},
    {"MsAdpcmDataClaimsGigabytes",
     [](const fs::path& p) {
         PatchedWav(
             p, [](std::vector<char>& b) { Put32(b, Find(b, "data") + 4, 0xFFFFFF00u); },
             SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM);
     },
     false},
    // Found by fuzzing: libsndfile's NMS ADPCM decoder writes past its block
    // on a file cut short, so that encoding is refused.
    {"NmsAdpcmCutShort",
     [](const fs::path& p) {
         PatchedWav(
             p, [](std::vector<char>& b) { b.resize(b.size() - 7); }, SF_FORMAT_WAV | SF_FORMAT_NMS_ADPCM_32);
     },
     true},
    // Found by fuzzing: libsndfile leaks on an Ogg stream with broken
    // Vorbis headers, overflows in ALAC and on RF64 sizes and misreads an
    // MPEG Layer III fmt chunk; only RIFF WAVE files of other encodings
    // reach it.
    {"OggVorbisWithBrokenHeaders",
     [](const fs::path& p) {
         WriteSine(p, 330.0, 0.5, 44100, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
         auto bytes = ReadBytes(p);
         bytes.resize(std::min<std::size_t>(bytes.size(), 3000));
         WriteBytes(p, bytes);
     },
     true},
    {"Rf64SizesAtTheLimit",
     [](const fs::path& p) {
         PatchedWav(
             p,
             [](std::vector<char>& b) {
                 const std::size_t riff_size = Find(b, "ds64") + 8; // 64 bits
                 Put32(b, riff_size, 0xFFFFFFFFu);
                 Put32(b, riff_size + 4, 0x7FFFFFFFu);
             },
             SF_FORMAT_RF64 | SF_FORMAT_PCM_16);
     },
     true},
    {"MpegLayer3Wav", [](const fs::path& p) { PatchedAdpcm(p, SF_FORMAT_MS_ADPCM, 0, 0x55); }, true},
    {"CafAlacCutShort",
     [](const fs::path& p) {
         WriteSine(p, 330.0, 0.5, 44100, SF_FORMAT_CAF | SF_FORMAT_ALAC_16);
         auto bytes = ReadBytes(p);
         bytes.resize(bytes.size() / 2);
         WriteBytes(p, bytes);
     },
     true},
    // These still hold sound: what decodes plays, and nothing else happens.
    {"CutInsideTheData",
     [](const fs::path& p) { PatchedWav(p, [](std::vector<char>& b) { b.resize(b.size() / 2 + 1); }); },
     false},
    {"HeaderClaimsGigabytes",
     [](const fs::path& p) {
         PatchedWav(p, [](std::vector<char>& b) {
             Put32(b, 4, 0xFFFFFFF0u);
             Put32(b, Find(b, "data") + 4, 0xFFFFFF00u);
         });
     },
     false},
    {"CorruptAdpcm",
     [](const fs::path& p) {
         WriteSine(p, 330.0, 0.5, 22050, SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM);
         auto bytes = ReadBytes(p);
         for (std::size_t i = Find(bytes, "data") + 8; i < bytes.size(); ++i)
             bytes[i] = static_cast<char>(i * 131u);
         WriteBytes(p, bytes);
     },
     false},
    {"NotANumberFloats",
     [](const fs::path& p) {
         WriteWav(p, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100, 20000, [](std::size_t i, int) {
             return i % 3 == 0 ? std::nan("") : (i % 3 == 1 ? HUGE_VAL : -HUGE_VAL);
         });
     },
     false},
};

class BadInput : public ::testing::TestWithParam<BadFile> {};

TEST_P(BadInput, PlaysOnWithoutHarm)
{
    TempDir dir;
    HeardOutput output(44100);
    GetParam().make(dir.path() / "E.wav");
    WriteSine(dir.path() / "A.wav", 440.0, 0.5);
    std::string error;
    const auto read = tunes::ReadWav((dir.path() / "E.wav").string(), error, DecodeLimits{}.max_seconds);
    EXPECT_EQ(read.has_value(), !GetParam().sounds_alert) << error;

    output.Play(dir.ProgramPath("E.wav"), tk::kPlayAsync | tk::kPlayLoop);
    const auto out = output.Render(22050);
    for (float v : out)
        ASSERT_TRUE(std::isfinite(v) && std::abs(v) <= 1.0f) << v;
    EXPECT_EQ(output.player().GetStats().fallbacks, GetParam().sounds_alert ? 1u : 0u);

    output.Play(dir.ProgramPath("A.wav"), tk::kPlayAsync);
    EXPECT_NEAR(PitchOf(Left(output.Render(22050), 441, 20000), 44100), 440.0, 0.5);
}

INSTANTIATE_TEST_SUITE_P(Files, BadInput, ::testing::ValuesIn(kBadFiles),
                         [](const ::testing::TestParamInfo<BadFile>& row) {
                             return std::string(row.param.name);
                         });

TEST(DecodeFile, TrustsNoLengthClaimedByTheHeader)
{
    TempDir dir;
    const fs::path path = dir.path() / "big.wav";
    PatchedWav(path, [](std::vector<char>& b) {
        Put32(b, 4, 0xFFFFFFF0u);
        Put32(b, Find(b, "data") + 4, 0xFFFFFF00u);
    });
    Pcm pcm;
    ASSERT_EQ(DecodeFile(path.string(), pcm, {}), DecodeStatus::Ok);
    EXPECT_EQ(pcm.Frames(), 22050u);
    EXPECT_LE(pcm.samples.capacity() * sizeof(std::int16_t), std::size_t{1} << 20);
}

TEST(DecodeFile, StopsAtTheLengthLimit)
{
    TempDir dir;
    const fs::path path = dir.path() / "note.wav";
    WriteSine(path, 330.0, 2.0, 8000);
    Pcm pcm;
    DecodeLimits limits;
    limits.max_seconds = 1.5;
    EXPECT_EQ(DecodeFile(path.string(), pcm, {}, limits), DecodeStatus::TooLong);
    limits.max_seconds = 2.0;
    EXPECT_EQ(DecodeFile(path.string(), pcm, {}, limits), DecodeStatus::Ok);
    limits.max_bytes = 8000 * 2; // one second of 16-bit mono
    EXPECT_EQ(DecodeFile(path.string(), pcm, {}, limits), DecodeStatus::TooLong);
}

TEST(DecodeFile, GivesUpWhenANewerRequestArrives)
{
    TempDir dir;
    const fs::path path = dir.path() / "note.wav";
    WriteSine(path, 330.0, 1.0);
    Pcm pcm;
    EXPECT_EQ(DecodeFile(path.string(), pcm, [] { return true; }), DecodeStatus::Cancelled);

    // A huge file is looked through before libsndfile opens it: that look
    // gives up too, not only the decode.
    const fs::path huge = dir.path() / "huge.wav";
    {
        std::ofstream out(huge, std::ios::binary);
        out << "RIFF\xff\xff\xff\x7fWAVE";
    }
    fs::resize_file(huge, std::uintmax_t{1} << 24);
    int asks = 0;
    EXPECT_EQ(DecodeFile(huge.string(), pcm, [&] { return ++asks >= 2; }), DecodeStatus::Cancelled);
}

// The fuzz target decodes from memory: it must be the same decode.
TEST(DecodeFile, BytesInMemoryDecodeAsTheFileDoes)
{
    TempDir dir;
    const fs::path path = dir.path() / "note.wav";
    WriteSine(path, 330.0, 0.5, 22050, SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 2);
    const std::vector<char> bytes = ReadBytes(path);
    Pcm from_file;
    Pcm from_memory;
    ASSERT_EQ(DecodeFile(path.string(), from_file, {}), DecodeStatus::Ok);
    ASSERT_EQ(tk::sndfile::DecodeBytes({reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()},
                                      from_memory),
              DecodeStatus::Ok);
    EXPECT_EQ(from_memory.rate, from_file.rate);
    EXPECT_EQ(from_memory.samples, from_file.samples);
}

TEST(DecodeFile, KeepsMonoAsItIsAndTheFirstTwoOfManyChannels)
{
    TempDir dir;
    const std::vector<std::int16_t> samples = {0, 1, -1, 32767, -32768, 12345};
    for (const int channels : {1, 3}) {
        SCOPED_TRACE(channels);
        const fs::path path = dir.path() / "note.wav";
        WritePcm16(path, channels, 22050, samples);
        Pcm pcm;
        ASSERT_EQ(DecodeFile(path.string(), pcm, {}), DecodeStatus::Ok);
        EXPECT_EQ(pcm.rate, 22050);
        EXPECT_EQ(pcm.channels, std::min(channels, 2));
        std::vector<std::int16_t> expected;
        for (std::size_t i = 0; i < samples.size(); ++i)
            if (static_cast<int>(i % static_cast<std::size_t>(channels)) < 2)
                expected.push_back(samples[i]);
        EXPECT_EQ(pcm.samples, expected);
    }
}

} // namespace
} // namespace tarvisk::sound_test
