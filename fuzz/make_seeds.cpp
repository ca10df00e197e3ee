// Writes the fuzz seeds into a folder: a short sine note in every format and
// encoding libsndfile writes (the WAV variants, FLAC, Ogg, MP3 and the rest),
// mono, and stereo for the common WAV encodings.
// Usage: make_seeds FOLDER

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

int WriteSeed(const std::string& path, int format, int channels)
{
    SF_INFO info{};
    info.samplerate = 8000;
    info.channels = channels;
    info.format = format;
    if (!sf_format_check(&info))
        return 0;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        return 0;
    constexpr int kFrames = 400;
    std::vector<float> samples(static_cast<std::size_t>(kFrames * channels));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.5f * std::sin(static_cast<float>(i / static_cast<std::size_t>(channels)) * 0.345f);
    sf_writef_float(file, samples.data(), kFrames);
    sf_close(file);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Usage: make_seeds FOLDER\n");
        return 2;
    }
    int majors = 0, subtypes = 0, written = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &majors, sizeof(majors));
    sf_command(nullptr, SFC_GET_FORMAT_SUBTYPE_COUNT, &subtypes, sizeof(subtypes));
    for (int m = 0; m < majors; ++m) {
        SF_FORMAT_INFO major{};
        major.format = m;
        sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &major, sizeof(major));
        for (int s = 0; s < subtypes; ++s) {
            SF_FORMAT_INFO subtype{};
            subtype.format = s;
            sf_command(nullptr, SFC_GET_FORMAT_SUBTYPE, &subtype, sizeof(subtype));
            const int format = major.format | subtype.format;
            const std::string stem = std::string(argv[1]) + "/" + std::to_string(major.format >> 16) + "-" +
                std::to_string(subtype.format) + ".";
            written += WriteSeed(stem + major.extension, format, 1);
            if ((major.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV && s < 8)
                written += WriteSeed(stem + "stereo." + major.extension, format, 2);
        }
    }
    std::printf("%d seeds\n", written);
    return written > 0 ? 0 : 1;
}
