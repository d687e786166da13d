# Installs the Debian packages the build, the tests, the .deb package and
# the program need, when missing: on a fresh Debian 12 nothing else is
# required but apt (and git for the clone). Sourced by scripts/run and
# scripts/test. One package a line, so additions from different branches
# merge cleanly; a tool a test or script calls names its package here.
cindral_packages=(
  build-essential
  dpkg-dev
  file
  cmake
  ninja-build
  pkg-config
  qt6-base-dev
  qt6-base-dev-tools
  libgl-dev
  libsqlite3-dev
  libbenchmark-dev
  libxcb1-dev
  xvfb
  xauth
  xdotool
  xclip
  x11-utils
  imagemagick
  xserver-xephyr
  desktop-file-utils
  appstream
  fonts-dejavu-core
  clang
  openssl
  ccache
  libclang-rt-14-dev
  llvm
  qt6-wayland
  weston
  dbus
)

cindral_install_deps() {
  local missing=()
  for p in "${cindral_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
