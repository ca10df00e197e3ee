# Configures and builds the Linux program, its tools and tests into build/.
# Sourced by the scripts, from the repository's top folder.

build_linux() {
  local werror="${1:-OFF}"
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVISK_WERROR="$werror" >/dev/null
  cmake --build build -j"$(nproc)"
}
