# Debian roots made with mmdebstrap from Debian's packages, from the mirror
# this machine installs from, and kept between runs in TARVISK_CACHE
# (default ~/.cache/tarvisk), outside every build folder, so that a fresh
# clone makes them once and later runs reuse them:
#   debian-CODENAME/   another release, amd64, filled by the project's own
#                      install step as a new user's machine would be;
#   debian-CODENAME-VARIANT/  a clean root of mmdebstrap's VARIANT (apt:
#                      the essential packages and apt; buildd: and
#                      build-essential) that nothing is installed into: each
#                      use gets a fresh overlay of it (over_root);
#   apt-CODENAME/      the packages apt downloaded in those overlays;
#   wine-i386-VERSION/ Wine's 32-bit half of exactly the host's Wine
#                      version, extracted, not installed: its loader runs
#                      from there, so the host needs no i386 architecture.
# A root is complete once its file .made exists. Sourced, after packages.sh.

source "$(dirname "${BASH_SOURCE[0]}")/machine.sh"

TARVISK_CACHE=${TARVISK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tarvisk}

# The host's Debian sources, with the host's codename (and its -updates and
# -security suites) changed to CODENAME.
sources_for() { # CODENAME
  local host list
  host=$(. /etc/os-release && echo "$VERSION_CODENAME")
  for list in /etc/apt/sources.list.d/*.sources; do
    [ -f "$list" ] && grep -q debian "$list" && sed -E "/^#/d; s/\b$host(-[a-z]+)?\b/$1\1/g" "$list" && echo
  done
  grep -hsE '^deb .*debian' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
    sed -E "s/\b$host(-[a-z]+)?\b/$1\1/g"
}

# The URI of the host's main Debian archive, for a root's first packages.
debian_mirror() {
  local uri
  uri=$(sources_for x | sed -nE 's/^URIs: *([^ ]*).*/\1/p; s/^deb (\[[^]]*\] )?([^ ]*) x .*/\2/p' |
    grep -v security | head -n 1)
  echo "${uri:-http://deb.debian.org/debian}"
}

# Runs mmdebstrap into a fresh TARGET, once more after a pause when the first
# try fails (a mirror in the middle of a sync); a failure's log stays in
# TARGET.log.
make_root() { # TARGET SUITE options-and-mirrors...
  local target=$1 suite=$2 try
  shift 2
  ensure_packages mmdebstrap || return 1
  for try in 1 2; do
    as_root rm -rf "$target"
    as_root mmdebstrap --quiet "$suite" "$target" "$@" >"$target.log" 2>&1 && rm -f "$target.log" && return 0
    echo "mmdebstrap failed for $target:"
    grep -E '^(E|W): ' "$target.log" | sed 's/^/  /' | head -n 8
    [ "$try" -eq 1 ] && sleep 20
  done
  return 1
}

# Makes TARVISK_CACHE/debian-CODENAME unless it is there: Debian's essential
# packages and apt from the main suite, then the host's sources for that
# release (its updates and security too) for the install step to use.
# Prints the folder.
debian_root() { # CODENAME
  release_root "$TARVISK_CACHE/debian-$1" "$1" apt
}

# Makes TARVISK_CACHE/debian-CODENAME-VARIANT unless it is there, as
# debian_root does. Prints the folder.
clean_root() { # CODENAME VARIANT
  release_root "$TARVISK_CACHE/debian-$1-$2" "$1" "$2"
}

release_root() { # FOLDER CODENAME VARIANT
  local root=$1 lock
  mkdir -p "$TARVISK_CACHE"
  # One run makes it while another that needs it waits (scripts/test makes
  # roots ahead of the steps that use them).
  exec {lock}>>"$root.lock"
  flock -x "$lock"
  if [ ! -f "$root/.made" ]; then
    make_root "$root" "$2" --variant="$3" "deb $(debian_mirror) $2 main" >&2 || { exec {lock}>&-; return 1; }
    as_root sh -c 'rm -f "$1"/etc/apt/sources.list.d/* "$1/etc/apt/sources.list" &&
      cat >"$1/etc/apt/sources.list.d/debian.sources" &&
      cp /etc/resolv.conf "$1/etc/resolv.conf" && touch "$1/.made"' sh "$root" < <(sources_for "$2") ||
      { exec {lock}>&-; return 1; }
  fi
  exec {lock}>&-
  echo "$root"
}

# What a root needs mounted to run programs: /proc, /sys, /dev, and a /tmp
# and /run of its own; FOLDER of the host at /tarvisk, and the machine's locks
# (scripts/lib/machine.sh) at /tarvisk-locks. Shell code for the mount
# namespaces below, with root, folder and LOCKS set.
root_mounts='
    mount -t proc proc "$root/proc"
    mount --rbind /sys "$root/sys"
    mount --rbind /dev "$root/dev"
    mount -t tmpfs tmpfs "$root/dev/shm"
    mount -t tmpfs tmpfs "$root/tmp"
    mount -t tmpfs tmpfs "$root/run"
    mkdir -p "$root/tarvisk" "$root/tarvisk-locks"
    mount --bind "$folder" "$root/tarvisk"
    mount --bind "$LOCKS" "$root/tarvisk-locks"'
# The environment of a command run in a root.
root_env=(env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 TERM="${TERM:-dumb}"
          TARVISK_LOCKS=/tarvisk-locks)

# Runs COMMAND as root inside ROOT, with FOLDER of the host at /tarvisk, in a
# mount namespace of its own: the mounts end with the command. What it
# leaves in FOLDER then belongs to the user again.
in_root() { # ROOT FOLDER COMMAND...
  local root=$1 folder=$2 status=0
  shift 2
  make_locks || return 1
  as_root env LOCKS="$TARVISK_LOCKS" unshare --mount --propagation private -- sh -ec '
    root=$1 folder=$2
    shift 2'"$root_mounts"'
    exec chroot "$root" "$@"' sh "$root" "$folder" "${root_env[@]}" "$@" || status=$?
  [ "$(id -u)" -eq 0 ] || sudo chown -R "$(id -u):$(id -g)" "$folder"
  return "$status"
}

# Runs COMMAND as root on this machine, in a mount namespace of its own,
# with a fresh copy of the clean root ROOT at FOLDER/root: an overlay whose
# changes go to FOLDER/changes and are deleted when the command ends, with
# the mounts of in_root. apt's downloads are kept in TARVISK_CACHE/apt-CODENAME:
# each copy gets links to those there, and leaves links to the new ones, so
# that copies in use side by side never share apt's lock.
over_root() { # ROOT FOLDER COMMAND...
  local base=$1 folder=$2 archives status=0
  shift 2
  archives=$TARVISK_CACHE/apt-$(sed -n 's/^VERSION_CODENAME=//p' "$base/etc/os-release")
  as_root rm -rf "$folder/root" "$folder/changes" "$folder/overlay-work" "$folder/downloads"
  mkdir -p "$folder/root" "$folder/changes" "$folder/overlay-work" "$folder/downloads/partial" "$archives"
  share_debs "$archives" "$folder/downloads"
  make_locks || return 1
  as_root env LOCKS="$TARVISK_LOCKS" unshare --mount --propagation private -- sh -ec '
    base=$1 folder=$2 root=$2/root
    shift 2
    mount -t overlay overlay -o "lowerdir=$base,upperdir=$folder/changes,workdir=$folder/overlay-work" "$root"
    mount --bind "$folder/downloads" "$root/var/cache/apt/archives"'"$root_mounts"'
    exec "$@"' sh "$base" "$folder" "$@" || status=$?
  share_debs "$folder/downloads" "$archives"
  as_root rm -rf "$folder/root" "$folder/changes" "$folder/overlay-work" "$folder/downloads"
  [ "$(id -u)" -eq 0 ] || sudo chown -R "$(id -u):$(id -g)" "$folder"
  return "$status"
}

# Puts into TO each package file of FROM that TO lacks: a hard link, or a
# copy where the two lie on different file systems. A link is made whole.
share_debs() { # FROM TO
  local deb
  for deb in "$1"/*.deb; do
    [ -e "$deb" ] && [ ! -e "$2/${deb##*/}" ] || continue
    ln "$deb" "$2/" 2>/dev/null || { cp "$deb" "$2/.${deb##*/}" && mv "$2/.${deb##*/}" "$2/${deb##*/}"; }
  done
}

# Runs COMMAND as root inside a fresh copy of the clean root ROOT, as
# over_root makes it, the way in_root runs it.
in_fresh_root() { # ROOT FOLDER COMMAND...
  over_root "$1" "$2" chroot "$2/root" "${root_env[@]}" "${@:3}"
}

# Makes TARVISK_CACHE/wine-i386-VERSION unless it is there: wine32 and libwine
# for i386 of exactly the host's Wine version, with their libraries, from the
# suites the host's Wine came from, so that its two halves are one version.
# Older ones go. Prints the folder.
wine_i386_root() {
  local version root release uri suite component suites=() mirrors=()
  version=$(dpkg-query -W -f='${Version}' libwine 2>/dev/null) || { echo "Wine is not installed" >&2; return 1; }
  root=$TARVISK_CACHE/wine-i386-${version//:/_}
  if [ ! -f "$root/.made" ]; then
    # "libwine | VERSION | URI SUITE/COMPONENT ARCH Packages"
    while read -r uri suite component; do
      mirrors+=("deb [arch=i386] $uri $suite $component")
      suites+=("$suite")
    done < <(apt-cache madison libwine | awk -F' [|] ' -v v="$version" '$2 == v { print $3 }' |
               sed -E 's|^([^ ]*) ([^/ ]*)/([^ ]*) .*|\1 \2 \3|' | sort -u)
    if [ ${#mirrors[@]} -eq 0 ]; then
      echo "No Debian archive known to apt has Wine $version" >&2
      return 1
    fi
    # An updates or security suite holds only what changed: the release too.
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    [[ " ${suites[*]} " == *" $release "* ]] || mirrors+=("deb [arch=i386] $uri $release main")
    mkdir -p "$TARVISK_CACHE"
    as_root rm -rf "$TARVISK_CACHE"/wine-i386-*
    make_root "$root" "${suites[0]}" --variant=extract --architectures=i386 \
      --include="wine32=$version,libwine=$version" "${mirrors[@]}" >&2 || return 1
    # Installing libwine marks libz-mingw-w64's DLL as Wine's own in Wine's
    # folder; extracting runs no maintainer script, so that is done here.
    # The root's own library cache, so that no library is taken from the host.
    as_root sh -ec 'dll=$1/usr/i686-w64-mingw32/lib/zlib1.dll
      { head -c 64 "$dll"; printf "Wine builtin DLL"; head -c 16 /dev/zero; tail -c +97 "$dll"; } \
        >"$1/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll"
      echo "include /etc/ld.so.conf.d/*.conf" >"$1/etc/ld.so.conf"
      ldconfig -r "$1"
      touch "$1/.made"' sh "$root" || return 1
  fi
  echo "$root"
}
