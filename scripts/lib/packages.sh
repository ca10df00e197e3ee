# Installs the Debian packages the project needs, only those missing.
# Sourced by the scripts; quiet when everything is there.

TARVISK_PACKAGES=(
  cmake make g++ pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev libfontconfig-dev fonts-dejavu-core
  libsndfile1-dev libpulse-dev libasound2-dev
  libfluidsynth-dev fluid-soundfont-gm libsamplerate0-dev
  libxcb1-dev libx11-dev libxdamage-dev xvfb xauth xdotool x11-utils imagemagick openbox
  desktop-file-utils appstream dpkg-dev strace lintian
  dbus at-spi2-core python3-pyatspi weston xwayland qt6-wayland
  pulseaudio pulseaudio-utils locales
  pipewire pipewire-bin pipewire-pulse wireplumber dbus-daemon
)

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
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  # Another apt (an unattended upgrade, a second script) may hold the lock.
  local wait=(-o DPkg::Lock::Timeout=600)
  $sudo apt-get "${wait[@]}" update -qq
  $sudo apt-get "${wait[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
