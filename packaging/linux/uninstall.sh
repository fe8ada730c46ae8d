#!/bin/sh
# Removes what ./install.sh put under a prefix: ./uninstall.sh [PREFIX], PREFIX /usr/local
# when not given; the folders that install.sh created go too, when nothing else is in them.
exec "$(dirname "$0")/install.sh" --uninstall "$@"
