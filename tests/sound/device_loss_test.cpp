// The worker's answer to a lost device, with a device that fails on demand:
// a loopback device cannot be disconnected.

#include "tools/fixtures/sound_fixtures.h"
#include "toolkit/openal/sound_worker.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace tarvisk::sound_test {
namespace {

using tk::openal::Pcm;
using tk::openal::PlaybackDevice;
using tk::openal::SoundWorker;

// What the test controls and what the devices did, shared with the worker.
struct Server {
    std::mutex mutex;
    bool running = true;   // devices open
    bool connected = true; // the open device still works
    int opened = 0;
    std::vector<std::uint32_t> uploads; // buffers made, by every device
    std::uint32_t started = 0;          // the last buffer started
};

class FakeDevice final : public PlaybackDevice {
public:
    FakeDevice(Server& server, int generation) : server_(server), generation_(generation) {}
    bool Connected() override
    {
        std::lock_guard lock(server_.mutex);
        return server_.connected;
    }
    int PeriodFrames() const override { return 512; }
    std::uint32_t Upload(const Pcm&) override
    {
        std::lock_guard lock(server_.mutex);
        // The device's generation in the name: a buffer of a lost device shows.
        const auto buffer = static_cast<std::uint32_t>(generation_ * 100 + ++made_);
        server_.uploads.push_back(buffer);
        return buffer;
    }
    void Release(std::uint32_t) override {}
    std::uint32_t Fallback() override { return 0; }
    void FadeOut() override {}
    void Start(std::uint32_t buffer, bool) override
    {
        std::lock_guard lock(server_.mutex);
        server_.started = buffer;
    }
    void StopFaded() override {}
    bool Playing() override { return false; }
    double PlayedSeconds() override { return 0.0; }
    void PauseIfIdle() override {}
    bool Paused() const override { return false; }
    bool CanPause() const override { return false; }

private:
    Server& server_;
    int generation_;
    int made_ = 0;
};

class DeviceLoss : public ::testing::Test {
protected:
    DeviceLoss()
    {
        WriteSine(dir_.path() / "A.wav", 110.0, 0.1);
        WriteSine(dir_.path() / "E.wav", 82.41, 0.1);
    }

    void Play(const std::string& name)
    {
        worker_.Post(dir_.ProgramPath(name), true, true);
        worker_.WaitUntilSettled();
    }

    TempDir dir_;
    Server server_;
    SoundWorker worker_{[this]() -> std::unique_ptr<PlaybackDevice> {
                            std::lock_guard lock(server_.mutex);
                            if (!server_.running)
                                return nullptr;
                            server_.connected = true;
                            return std::make_unique<FakeDevice>(server_, ++server_.opened);
                        },
                        false};
};

TEST_F(DeviceLoss, NextRequestOpensANewDeviceReadsItsSoundAgainAndSounds)
{
    Play("A.wav");
    Play("E.wav");
    EXPECT_EQ(server_.uploads, (std::vector<std::uint32_t>{101, 102}));

    server_.connected = false;
    Play("A.wav");
    EXPECT_EQ(server_.opened, 2);
    EXPECT_EQ(worker_.GetStats().opens, 2u);
    EXPECT_EQ(worker_.GetStats().decodes, 3u) << "no decoded copy outlives the lost device";
    EXPECT_EQ(server_.uploads, (std::vector<std::uint32_t>{101, 102, 201}));
    EXPECT_EQ(server_.started, 201u) << "the request sounds on the new device";
    Play("A.wav");
    EXPECT_EQ(worker_.GetStats().decodes, 3u) << "and is kept on it";
}

TEST_F(DeviceLoss, WhileNoDeviceOpensRequestsAreSilentAndTheNextOneAfterwardsSounds)
{
    Play("A.wav");
    server_.running = false;
    server_.connected = false;
    server_.started = 0;
    Play("E.wav");
    Play("A.wav");
    EXPECT_EQ(server_.started, 0u);
    EXPECT_FALSE(worker_.GetStats().device_open);

    server_.running = true;
    Play("E.wav");
    EXPECT_TRUE(worker_.GetStats().device_open);
    EXPECT_EQ(server_.started / 100, 2u);
}

} // namespace
} // namespace tarvisk::sound_test
