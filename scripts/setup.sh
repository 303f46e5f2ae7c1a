#!/usr/bin/env bash
# Installs the Debian packages the build needs; sourced by run.sh and test.sh.
set -euo pipefail

# The second line: Qt's Chinese texts, and what building and checking the .deb takes.
RADIOPROG_PACKAGES=(cmake g++ make qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-qpa-plugins fonts-wqy-microhei
                    qt6-translations-l10n dpkg-dev file librsvg2-bin desktop-file-utils appstream lintian poppler-utils)

radioprog_missing_packages() {
    local missing=()
    for p in "${RADIOPROG_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    echo "${missing[@]:-}"
}

radioprog_install_packages() {
    local missing
    missing=$(radioprog_missing_packages)
    if [ -z "$missing" ]; then
        return 0
    fi
    if [ "$(id -u)" -ne 0 ]; then
        echo "These Debian packages are missing. Install them with:" >&2
        echo "  sudo apt-get install -y $missing" >&2
        exit 1
    fi
    echo "Installing: $missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq $missing
}
