#pragma once
// What every backend's picture box shares: its place and size come from the
// design, its scale mode is a checked number, and a picture set on it is
// drawn into the retained image over the back colour.

#include "toolkit/controls.h"
#include "toolkit/form_design.h"

#include <string>

namespace tk {

class PictureBoxBase : public PictureBox {
public:
    explicit PictureBoxBase(const ControlDesign& design) : design_(design) {}

    int Left() const final { return design_.left; }
    int Top() const final { return design_.top; }
    int Width() const final { return design_.width; }
    int Height() const final { return design_.height; }
    int ScaleMode() const final { return scale_mode_; }
    void SetScaleMode(int mode) final;
    PictureRef Picture() const final { return picture_; }
    // The retained image's drawing context.
    Hdc hDC() final { return hdc_; }
    void SetPicture(const PictureRef& picture) final;
    void Describe(const Description& description) final;
    const Description& Described() const final { return description_; }

    const ControlDesign& Design() const { return design_; }
    // "Picture1(2)" for an element of a control array.
    std::string Name() const;

protected:
    void SetHdc(Hdc hdc) { hdc_ = hdc; }
    // Fills the retained image with the back colour, draws the picture (if
    // any, and one of this backend's) at (0, 0) and asks for a redraw.
    virtual void DrawPicture(const tk::Picture* picture) = 0;
    // The description changed from before: tell the platform's readers.
    virtual void Redescribed(const Description& before) = 0;

private:
    const ControlDesign& design_;
    int scale_mode_ = kScaleModePixel;
    PictureRef picture_;
    Description description_;
    Hdc hdc_ = 0;
};

} // namespace tk
