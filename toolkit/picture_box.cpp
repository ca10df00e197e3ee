#include "toolkit/picture_box.h"

#include "toolkit/error.h"

#include <utility>

namespace tk {

void PictureBoxBase::SetScaleMode(int mode)
{
    // User-defined (0) to centimetres (7).
    if (mode < 0 || mode > 7)
        throw Error("Invalid property value");
    scale_mode_ = mode;
}

void PictureBoxBase::SetPicture(const PictureRef& picture)
{
    picture_ = picture;
    DrawPicture(picture.get());
}

void PictureBoxBase::Describe(const Description& description)
{
    if (description == description_)
        return;
    const Description before = std::exchange(description_, description);
    Redescribed(before);
}

std::string PictureBoxBase::Name() const
{
    std::string name(design_.name);
    if (design_.index >= 0)
        name += "(" + std::to_string(design_.index) + ")";
    return name;
}

} // namespace tk
