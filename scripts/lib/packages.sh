# Installs the Debian packages given as arguments that are not installed yet.
# Sourced by scripts/run, scripts/test and scripts/bench.

ensure_packages() {
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# What building the program needs (libqt6svg6 draws the scalable window icon).
BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-qpa-plugins libqt6svg6 fonts-dejavu-core)
