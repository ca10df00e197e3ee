#pragma once
// An error that leaves an event handler ends the program with a message.

namespace tk::qt {

[[noreturn]] void FatalError(const char* what);
// True once an error is ending the program: events are no longer handled.
bool Failing();

} // namespace tk::qt
