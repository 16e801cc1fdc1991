#!/bin/sh
# Installs what building, running and testing Sombrant Editor needs on Debian 12.
set -e
PACKAGES="build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev qt6-qpa-plugins libgl-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev stm32flash"
if [ "$(id -u)" -eq 0 ]; then SUDO=; else SUDO=sudo; fi
# Skip apt when everything is there already.
missing=$(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' $PACKAGES 2>/dev/null | awk '$1 != "ii" {print $2}')
installed=$(dpkg-query -W -f='${Package}\n' $PACKAGES 2>/dev/null | wc -l)
wanted=$(echo $PACKAGES | wc -w)
if [ -z "$missing" ] && [ "$installed" -eq "$wanted" ]; then
    exit 0
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq $PACKAGES
