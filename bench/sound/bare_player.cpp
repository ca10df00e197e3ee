// The anchor of the press-to-sound benchmark: a minimal Qt window whose left
// press calls alSourcePlay on a buffer loaded at start, through OpenAL Soft
// with its default settings; a right press stops the sound. Given a second
// note, left presses take turns: the second stops the first, sets its own
// buffer and plays, as a player does when one note replaces another.
//
// Usage: tarvisk_bare_player NOTE.wav [OTHER.wav]

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
    Player(ALuint source, std::vector<ALuint> buffers) : source_(source), buffers_(std::move(buffers)) {}

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton) {
            alSourceStop(source_);
            return;
        }
        if (buffers_.size() > 1) {
            alSourceStop(source_);
            alSourcei(source_, AL_BUFFER, static_cast<ALint>(buffers_[presses_++ % buffers_.size()]));
        }
        alSourcePlay(source_);
    }

private:
    ALuint source_;
    std::vector<ALuint> buffers_;
    std::size_t presses_ = 0;
};

// A note as 16-bit mono in a buffer of the current context; 0 when unread.
ALuint LoadNote(const char* path)
{
    std::string error;
    const auto wav = tarvisk::tunes::ReadWav(path, error);
    if (!wav) {
        std::fprintf(stderr, "%s: %s\n", path, error.c_str());
        return 0;
    }
    std::vector<std::int16_t> samples;
    for (const float v : wav->mono)
        samples.push_back(static_cast<std::int16_t>(std::lrint(std::fmax(-1.0f, std::fmin(v, 32767.0f / 32768.0f)) * 32768.0f)));
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, AL_FORMAT_MONO16, samples.data(), static_cast<ALsizei>(samples.size() * 2), wav->rate);
    return buffer;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s NOTE.wav [OTHER.wav]\n", argv[0]);
        return 2;
    }
    ALCdevice* device = alcOpenDevice(nullptr);
    ALCcontext* context = device != nullptr ? alcCreateContext(device, nullptr) : nullptr;
    if (context == nullptr || alcMakeContextCurrent(context) != ALC_TRUE) {
        std::fprintf(stderr, "no audio output device\n");
        return 1;
    }
    std::vector<ALuint> buffers;
    for (int i = 1; i < argc; ++i) {
        const ALuint buffer = LoadNote(argv[i]);
        if (buffer == 0)
            return 1;
        buffers.push_back(buffer);
    }
    ALuint source = 0;
    alGenSources(1, &source);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(buffers.front()));

    QApplication app(argc, argv);
    Player window(source, buffers);
    window.setWindowTitle("Bare player");
    window.setFixedSize(384, 550);
    window.show();
    const int result = QApplication::exec();
    alDeleteSources(1, &source);
    alDeleteBuffers(static_cast<ALsizei>(buffers.size()), buffers.data());
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
    return result;
}
