#pragma once
// The real Qt backend on the offscreen platform, with a temporary sound
// library and a recording sound output, for tests of the whole window.

#include "startup/app_modul.h"
#include "toolkit/qt/qt_form.h"
#include "toolkit/qt/qt_picture.h"
#include "toolkit/qt/qt_platform.h"
#include "window/tuner.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tarvisk::testing_qt {

// The one platform of the test program; made by its main().
tk::qt::QtPlatform& Qt();

// Records every request, then hands it on to a real output if one is set.
class RecordingSound final : public tk::SoundOutput {
public:
    struct Played {
        std::string path;
        unsigned flags;
    };
    int sndPlaySoundA(const std::string& path, unsigned flags) override
    {
        played.push_back({path, flags});
        return output ? output->sndPlaySoundA(path, flags) : 1;
    }
    std::vector<Played> played;
    tk::SoundOutput* output = nullptr;
};

// The Qt process services, but the program lives in a folder of the test's.
class FolderProcess final : public tk::Process {
public:
    bool AnotherInstanceRunning() override { return false; }
    std::string ExecutableFolder() override { return folder; }
    void EndAtOnce() override { throw std::logic_error("ended"); }
    void DoEvents() override { Qt().DoEvents(); }
    std::string folder;
};

class QtWindowTest : public ::testing::Test {
protected:
    QtWindowTest();
    ~QtWindowTest() override;

    // Makes Tunes\ with these set folders under a fresh program folder.
    void MakeLibrary(const std::vector<std::string>& sets);
    void Start(); // runs Main

    tk::qt::QtForm& Form() { return static_cast<tk::qt::QtForm&>(program_.tuner->Form()); }
    Tuner& Window() { return *program_.tuner; }

    // The window as the screen shows it, and a control's rectangle.
    QImage Grab();
    static QRect Rect(tk::ControlId id);
    // A press with a real mouse event at a client point.
    void Press(QPoint at, Qt::MouseButton button = Qt::LeftButton);
    // The pixels of the rectangle that differ from an artwork.
    static int Differences(const QImage& shot, const QImage& art, const QRect& rect);
    static QImage Art(tk::ImageId id);

    std::filesystem::path folder_;
    FolderProcess process_;
    RecordingSound sound_;
    tk::Platform platform_;
    Program program_;
};

} // namespace tarvisk::testing_qt
