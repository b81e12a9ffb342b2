#!/usr/bin/env bash
# Set-up, build, test and run of the Vexlo control panel on Debian.
#   ./vexlo.sh run [ARGS]   build, then start the program (with an emulated thermocouple
#                           logger unless ARGS say otherwise; without a display, its page)
#   ./vexlo.sh test         build, then run every test through ctest
#   ./vexlo.sh build        build only
#   ./vexlo.sh package      build the Debian package build-package/vexlo_*.deb (release
#                           build for /usr, hardened as Debian builds, self-update off)
# BUILD_DIR (default build) and VEXLO_SANITIZE=1 select a sanitizer tree.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ ccache pkg-config qt6-base-dev zlib1g-dev
          libgtest-dev libgmock-dev libbenchmark-dev tzdata time fonts-dejavu-core
          python3 python3-openpyxl qt6-translations-l10n libxlsxwriter-dev xvfb xauth
          poppler-utils fonts-liberation binutils srecord openssl qt6-svg-dev libqt6svg6
          libfuse3-dev fuse3
          libreoffice-calc-nogui locales)
PACKAGES+=(clang libclang-rt-14-dev) # the fuzz targets (fuzz/run.sh)
PACKAGES+=(help2man librsvg2-bin)     # the man pages and the icon's bitmaps

install_missing_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installation des paquets manquants : ${missing[*]}"
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# The machine-output tests compare a French and an English run; the C library needs both.
generate_test_locales() {
    local name sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    for name in fr_FR en_US; do
        locale -a 2>/dev/null | grep -qix "$name.utf-\?8" && continue
        echo "Génération de la langue $name.UTF-8"
        # Qt's own locale data still serves the tests without it, so a failure only warns.
        "${sudo[@]}" localedef -i "$name" -f UTF-8 "$name.UTF-8" ||
            echo "La langue $name.UTF-8 n’a pas pu être générée." >&2
    done
}

BUILD_DIR=${BUILD_DIR:-build}

configure_and_build() {
    install_missing_packages
    generate_test_locales
    local args=(-S . -B "$BUILD_DIR" -G Ninja)
    if [ "${VEXLO_SANITIZE:-0}" = 1 ]; then
        args+=(-DVEXLO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
    fi
    if [ ! -f "$BUILD_DIR/build.ninja" ] || [ "${VEXLO_SANITIZE:-0}" = 1 ]; then
        cmake "${args[@]}" >/dev/null
    fi
    cmake --build "$BUILD_DIR" --parallel "$(nproc)"
}

# A release tree for /usr with Debian's hardening flags, without tests, packed by cpack.
build_package() {
    PACKAGES+=(dpkg-dev file)
    install_missing_packages
    local dir=build-package
    export DEB_BUILD_MAINT_OPTIONS=hardening=+bindnow
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
        -DVEXLO_SELF_UPDATE=OFF -DVEXLO_TESTS=OFF -DVEXLO_BENCH=OFF \
        -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
        -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
    cmake --build "$dir" --parallel "$(nproc)"
    rm -f "$dir"/vexlo_*.deb
    (cd "$dir" && cpack -G DEB >/dev/null)
    ls "$dir"/vexlo_*.deb
}

case "${1:-}" in
    package)
        build_package
        ;;
    build)
        configure_and_build
        ;;
    test)
        configure_and_build
        export QT_QPA_PLATFORM=offscreen
        ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)"
        ;;
    run)
        shift
        configure_and_build
        if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
            [ $# -eq 0 ] && set -- --simulate=8
            exec "$BUILD_DIR/bin/vexlo" "$@"
        fi
        echo "Aucun affichage disponible : voici la page de l'enregistreur émulé (thermocouple)."
        exec "$BUILD_DIR/bin/vexlo-cli" status --simulate 8
        ;;
    *)
        echo "usage: $0 run|test|build|package" >&2
        exit 64
        ;;
esac
