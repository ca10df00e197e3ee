# Configures and builds the Linux program, its tools and tests into build/.
# Sourced by the scripts, from the repository's top folder. With "werror",
# warnings are errors; without it the build keeps the setting it has, so
# running and testing in turn does not rebuild everything.

build_linux() {
  local options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
  [ "${1:-}" = "werror" ] && options+=(-DTARVISK_WERROR=ON)
  cmake -S . -B build "${options[@]}" >/dev/null
  cmake --build build -j"$(nproc)"
}
