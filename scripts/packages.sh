# Debian packages the project needs to build, test and run. Sourced by
# ./test.sh and ./run.sh; installs only what is missing.
VN_PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config git python3
  clang libclang-rt-14-dev llvm
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libpng-dev libjpeg-dev libgif-dev libtiff-dev
  libcairo2-dev libfreetype-dev libfontconfig-dev libharfbuzz-dev libfribidi-dev
  libssl-dev openssl qt6-base-dev libharfbuzz-bin libxml2-utils
  poppler-utils poppler-data qpdf libtiff-tools libjpeg-turbo-progs pngcheck imagemagick locales lld jbig2dec libjbig2dec0-dev
  zip unzip p7zip-full xvfb xauth
  fonts-liberation2 fonts-dejavu-core fonts-noto-core fonts-urw-base35 t1utils
  fonts-wqy-microhei fonttools python3-fonttools python3-pypdf python3-olefile antiword catdoc unrtf libwmf-bin
)

vn_install_packages() {
  local missing=()
  local p
  for p in "${VN_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
  # A locale with "," as decimal separator, for the locale-independence tests.
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf8$'; then
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
  fi
}
