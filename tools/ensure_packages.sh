# Sourced by run.sh and test.sh: installs the Debian packages Velunda needs
# when any of them is missing. As root it installs them directly; otherwise it
# prints the apt-get line to run and stops.

velunda_packages=(
  cmake g++ make pkg-config
  libwxgtk3.2-dev libgtk-3-dev libcurl4-openssl-dev libexpat1-dev zlib1g-dev libnotify-dev
  libical-dev libgtest-dev libbenchmark-dev
  wx3.2-i18n ca-certificates openssl dbus-daemon dbus-bin systemd
  xvfb xauth openbox python3 curl strace python3-icalendar calcurse tzdata
  clang libclang-rt-14-dev clang-tidy cppcheck
  dpkg-dev file lintian desktop-file-utils appstream
)

ensure_packages() {
  local missing=() pkg
  for pkg in "${velunda_packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      # python3 may come from elsewhere than Debian; any python3 on PATH will do.
      if [ "$pkg" = python3 ] && command -v python3 >/dev/null 2>&1; then continue; fi
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing missing packages: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
  else
    echo "Velunda needs these Debian packages. Install them with:"
    echo "  sudo apt-get install -y ${missing[*]}"
    exit 1
  fi
}
