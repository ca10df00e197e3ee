# The Debian packages, made and tested as Debian makes and tests them: the
# source package of this tree; dpkg-buildpackage in a fresh copy of a clean
# root of a release (roots.sh) that holds build-essential and, installed by
# apt, the Build-Depends; lintian --pedantic there; and autopkgtest on the
# packages in a fresh copy of a clean root of the same release, through
# autopkgtest-virt-chroot, so that nothing on this machine changes.
# Sourced, after packages.sh, build.sh and roots.sh.

TARVISK_DEBIAN_PACKAGES=(autopkgtest dpkg-dev mmdebstrap)

# Makes the source package of the tree in OUT: tarvisk_VERSION.dsc and its
# tarball. Prints the .dsc.
debian_source() { # OUT
  local out=$1 version
  version=$(dpkg-parsechangelog -S Version) || return 1
  rm -rf "$out/tarvisk-$version"
  copy_tree "$out/tarvisk-$version" || return 1
  (cd "$out" && dpkg-source --build "tarvisk-$version" >dpkg-source.log 2>&1) ||
    { cat "$out/dpkg-source.log"; return 1; }
  rm -rf "$out/tarvisk-$version"
  echo "$out/tarvisk_$version.dsc"
}

# What debian_build does where it builds, in the folder FOLDER that holds
# the source package: apt installs the Build-Depends, dpkg-buildpackage
# builds the source and the packages, and that release's lintian checks
# them all, pedantic, info tags shown: an error or a warning fails.
debian_build_steps='
  set -uo pipefail
  cd "$1"
  quiet() { "$@" >>apt.log 2>&1 || { cat apt.log; exit 1; }; }
  phase() { echo "  $1: $((SECONDS - start)) s"; start=$SECONDS; }
  start=$SECONDS
  export DEBIAN_FRONTEND=noninteractive
  # Another apt may hold the lock for a while: it is waited for.
  apt-get() { command apt-get -o DPkg::Lock::Timeout=600 "$@"; }
  quiet apt-get update
  mkdir build && dpkg-source -x ./*.dsc build/tarvisk >build.log 2>&1 || { cat build.log; exit 1; }
  quiet apt-get build-dep -y --no-install-recommends ./build/tarvisk
  phase "Build-Depends installed"
  (cd build/tarvisk && DEB_BUILD_OPTIONS="parallel=$(nproc)" dpkg-buildpackage -us -uc) >>build.log 2>&1 ||
    { tail -n 60 build.log; exit 1; }
  phase "dpkg-buildpackage"
  # The source package as this release makes it, with the packages.
  rm ./*.dsc ./*.tar.* && mv build/*.* . && rm -rf build
  quiet apt-get install -y --no-install-recommends lintian
  lintian --pedantic --display-info --fail-on error,warning ./*.changes >lintian.txt 2>&1
  status=$?
  grep -v "^running with root privileges" lintian.txt
  phase "lintian"
  exit "$status"'

# Builds the source package DSC with dpkg-buildpackage and checks it with
# lintian (debian_build_steps), leaving the packages, their .changes,
# build.log and lintian.txt in OUT. WHERE: "clean", a fresh copy of the
# clean build root of CODENAME, holding build-essential alone until apt
# installs the Build-Depends; "here", this machine, whose release CODENAME
# is; or a root of CODENAME (in_root). A SOURCE_DATE_EPOCH of the
# environment goes to dpkg-buildpackage, which otherwise takes it from
# debian/changelog.
debian_build() { # CODENAME DSC OUT WHERE
  local out=$3 root status=0 steps=(bash -c "$debian_build_steps" sh)
  [ -n "${SOURCE_DATE_EPOCH:-}" ] && steps=(env SOURCE_DATE_EPOCH="$SOURCE_DATE_EPOCH" "${steps[@]}")
  rm -rf "$out"
  mkdir -p "$out"
  cp "$2" "${2%.dsc}".tar.* "$out/" || return 1
  case $4 in
    clean)
      root=$(clean_root "$1" buildd) || return 1
      in_fresh_root "$root" "$out" "${steps[@]}" /tarvisk ;;
    here)
      as_root "${steps[@]}" "$out" || status=$?
      [ "$(id -u)" -eq 0 ] || sudo chown -R "$(id -u):$(id -g)" "$out"
      return "$status" ;;
    *) in_root "$4" "$out" "${steps[@]}" /tarvisk ;;
  esac
}

# Runs debian/tests (autopkgtest) on the packages of OUT's .changes in a
# fresh copy of the clean root of CODENAME holding only apt and the
# essential packages, as Debian's CI tests a package: autopkgtest installs
# what each test names. Its logs go to OUT/autopkgtest/.
debian_autopkgtest() { # CODENAME OUT
  local root changes
  root=$(clean_root "$1" apt) || return 1
  changes=$(ls "$2"/*.changes) || return 1
  rm -rf "$2/autopkgtest"
  over_root "$root" "$2/testbed" bash "$PWD/scripts/lib/autopkgtest.sh" "$2/testbed/root" "$changes" \
    "$2/autopkgtest"
}
