# Installs the Debian packages the project needs, only those missing, on
# Debian 12 or 13. Sourced by the scripts; quiet when everything is there.

TARVISK_PACKAGES=(
  cmake make g++ pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev libfontconfig-dev fonts-dejavu-core
  libsndfile1-dev libpulse-dev libasound2-dev
  libfluidsynth-dev fluid-soundfont-gm libsamplerate0-dev libebur128-dev
  libxcb1-dev libx11-dev libxdamage-dev xvfb xauth xdotool x11-utils imagemagick openbox
  desktop-file-utils appstream dpkg-dev strace lintian
  dbus at-spi2-core python3-pyatspi weston xwayland qt6-wayland
  pulseaudio pulseaudio-utils locales
  pipewire pipewire-bin pipewire-pulse wireplumber dbus-daemon
)

# The fuzz targets' compiler, and the codecs of the libsndfile built for them.
TARVISK_FUZZ_PACKAGES=(clang libclang-rt-dev locales
                       libflac-dev libogg-dev libvorbis-dev libopus-dev libmpg123-dev libmp3lame-dev)

# Only the benchmarks under load need these; their scripts install them.
TARVISK_BENCH_PACKAGES=(stress-ng)

ensure_packages() {
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  apt_update || true
  apt_install "${missing[@]}"
}

# Runs a command as root: through sudo for a user.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# apt-get as root, waiting for the lock another apt (an unattended upgrade, a
# second script) may hold; its output is kept in APT_OUTPUT.
apt_run() {
  APT_OUTPUT=$(as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@" 2>&1)
}
apt_errors() {
  grep -E '^(E|W): ' <<<"$APT_OUTPUT" | grep -vE 'configured multiple times|Some index files failed' | sed 's/^/  /'
}

# Updates the package indexes, once more after a pause when some failed to
# download (a mirror in the middle of a sync, a dropped connection). What
# still fails is reported and the indexes that came are used: an index the
# run needs shows up as a package that cannot be installed.
apt_update() {
  apt_run update && return 0
  echo "apt-get update failed; trying again in 15 s:"
  apt_errors
  sleep 15
  apt_run update && return 0
  echo "apt-get update: going on with the package indexes that came; these did not:"
  apt_errors
  return 1
}

# Installs the packages named: all at once, once more after a pause when a
# download failed, then each on its own, so that what can be installed is,
# and each that cannot is named with apt's reason.
apt_install() {
  local package failed=()
  apt_run install -y -q --no-install-recommends "$@" && return 0
  if grep -qE '^E: (Failed to fetch|Unable to fetch)' <<<"$APT_OUTPUT"; then
    echo "apt-get install failed to download; trying again in 30 s:"
    apt_errors
    sleep 30
    apt_run update
    apt_run install -y -q --no-install-recommends "$@" && return 0
  fi
  for package in "$@"; do
    apt_run install -y -q --no-install-recommends "$package" && continue
    failed+=("$package")
    echo "Cannot install $package:"
    awk '/^The following packages have unmet dependencies:/ { shown = 1 } shown || /^E: /' <<<"$APT_OUTPUT" |
      sed 's/^/  /'
  done
  [ ${#failed[@]} -eq 0 ] && return 0
  echo "Not installed: ${failed[*]}"
  return 1
}
