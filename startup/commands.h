#pragma once
// General helpers: folder paths, the last path component, window placement,
// and the program's path values.

#include "startup/globals.h"

#include <string>

namespace tk {
class Form;
class Process;
class Screen;
} // namespace tk

namespace tarvisk {

// Appends "\" in place unless path ends in one; returns a copy of the result.
std::string AddBackslash(std::string& path);

// The last component of path; one trailing "\" is ignored.
std::string FileNameOf(const std::string& path);

// Centres the window horizontally and puts its centre at 0.85 / 2 of the
// screen height. Throws tk::Error on an arithmetic fault or a refused move,
// leaving the rest undone.
void CenterForm(tk::Form& window, const tk::Screen& screen);

void InitEnvironment(Globals& g, tk::Process& process);
void InitAppPaths(Globals& g);

} // namespace tarvisk
