#include "toolkit/qt/font_warmup.h"

#include <fontconfig/fontconfig.h>

namespace tk::qt {

void FontWarmup::Start()
{
    if (started_)
        return;
    started_ = true;
    // Qt's font database begins with FcInit, which then finds the
    // configuration loaded.
    thread_ = std::thread([] { FcInit(); });
}

void FontWarmup::Wait()
{
    if (thread_.joinable())
        thread_.join();
}

} // namespace tk::qt
