# Configures and builds the Linux program, its tools and tests into build/,
# and copies the tree. Sourced by the scripts, from the repository's top
# folder. With "werror", warnings are errors; without it the build keeps the
# setting it has, so running and testing in turn does not rebuild everything.

build_linux() {
  local options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
  [ "${1:-}" = "werror" ] && options+=(-DTARVISK_WERROR=ON)
  cmake -S . -B build "${options[@]}" >/dev/null
  cmake --build build -j"$(nproc)"
}

# The tree as a clone of it would be, with what is changed and not yet
# committed (tracked files and new ones that git does not ignore), copied
# into DEST; outside a git checkout (an unpacked source package), the tree
# but its build folders.
copy_tree() { # DEST
  mkdir -p "$1"
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard |
      tar -cf - --null --ignore-failed-read -T - 2>/dev/null | tar -xf - -C "$1"
  else
    tar -cf - --exclude='./build*' --exclude=./dist --exclude=./.cache . | tar -xf - -C "$1"
  fi
}
