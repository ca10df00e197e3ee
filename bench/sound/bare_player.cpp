// The anchor of the press-to-sound benchmark: a minimal Qt window whose left
// press calls alSourcePlay on a buffer loaded at start, through OpenAL Soft
// with its default settings; a right press stops the sound.
//
// Usage: tarvisk_bare_player NOTE.wav

#include "tools/tunes/wav_io.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

class Player : public QWidget {
public:
    explicit Player(ALuint source) : source_(source) {}

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            alSourcePlay(source_);
        else
            alSourceStop(source_);
    }

private:
    ALuint source_;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s NOTE.wav\n", argv[0]);
        return 2;
    }
    std::string error;
    const auto wav = tarvisk::tunes::ReadWav(argv[1], error);
    if (!wav) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
        return 1;
    }
    ALCdevice* device = alcOpenDevice(nullptr);
    ALCcontext* context = device != nullptr ? alcCreateContext(device, nullptr) : nullptr;
    if (context == nullptr || alcMakeContextCurrent(context) != ALC_TRUE) {
        std::fprintf(stderr, "no audio output device\n");
        return 1;
    }
    std::vector<std::int16_t> samples;
    for (const float v : wav->mono)
        samples.push_back(static_cast<std::int16_t>(std::lrint(std::fmax(-1.0f, std::fmin(v, 32767.0f / 32768.0f)) * 32768.0f)));
    ALuint buffer = 0, source = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, AL_FORMAT_MONO16, samples.data(), static_cast<ALsizei>(samples.size() * 2), wav->rate);
    alGenSources(1, &source);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));

    QApplication app(argc, argv);
    Player window(source);
    window.setWindowTitle("Bare player");
    window.setFixedSize(384, 550);
    window.show();
    const int result = QApplication::exec();
    alDeleteSources(1, &source);
    alDeleteBuffers(1, &buffer);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
    return result;
}
