# Installs the Debian packages the build and tests need, only when one is
# missing: `apt-get update` and `apt-get install` run at most once, through
# sudo when not root. Sourced by run.sh and test.sh.

VELTRANE_PACKAGES=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev fonts-liberation2
  libsndfile1-dev nlohmann-json3-dev
  help2man dpkg-dev file
)
# debian/control's Build-Depends name the same build packages; keep the two
# in step (dpkg-buildpackage refuses to build when one is missing).

# What building and checking the Debian package needs besides (./test.sh --ci).
VELTRANE_PACKAGE_TOOLS=(debhelper lintian desktop-file-utils appstream man-db)

ensure_packages() {
  local missing=()
  local pkg
  for pkg in "${VELTRANE_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
