#pragma once
// The controls of a window as the program uses them. Every operation may
// throw tk::Error, which raises a run-time error in the calling procedure.

#include "toolkit/accessible.h"
#include "toolkit/picture.h"

#include <cstdint>
#include <string>

namespace tk {

class PictureBox {
public:
    virtual ~PictureBox() = default;
    virtual int Left() const = 0; // client pixels
    virtual int Top() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual int ScaleMode() const = 0;
    virtual void SetScaleMode(int mode) = 0;
    // The retained image's drawing context.
    virtual Hdc hDC() = 0;
    // Redraws the box from its retained image before returning.
    virtual void Refresh() = 0;
    virtual PictureRef Picture() const = 0;
    // The retained image becomes the picture, drawn at (0, 0).
    virtual void SetPicture(const PictureRef& picture) = 0;
    // What a screen reader is told of the box from now on; a change of
    // state is announced. A box never described is not offered as content.
    virtual void Describe(const Description& description) = 0;
    virtual const Description& Described() const = 0;
};

class ComboBox {
public:
    virtual ~ComboBox() = default;
    virtual void AddItem(const std::string& text) = 0;
    virtual int ListCount() const = 0;
    virtual std::string List(int index) const = 0;
    virtual int ListIndex() const = 0;
    // Selects an entry and raises its click event before returning.
    virtual void SetListIndex(int index) = 0;
    // The text field: the selected entry's text, or what the user typed.
    virtual std::string Text() const = 0;
};

// Lists the immediate sub-folders of a folder, sorted by name.
class FolderList {
public:
    virtual ~FolderList() = default;
    virtual std::string Path() const = 0;
    // Fails when the folder cannot be opened.
    virtual void SetPath(const std::string& folder) = 0;
    virtual void Refresh() = 0;
    virtual std::int16_t ListCount() const = 0;
    // Full path of sub-folder i, index 0 first.
    virtual std::string List(int index) const = 0;
};

class Timer {
public:
    virtual ~Timer() = default;
    virtual bool Enabled() const = 0;
    // Switching on a running timer starts its interval afresh.
    virtual void SetEnabled(bool enabled) = 0;
    virtual int Interval() const = 0;
    virtual void SetInterval(int ms) = 0;
};

} // namespace tk
